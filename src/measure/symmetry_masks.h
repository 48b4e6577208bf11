// The half masks of the symmetry comparison, kept only over the window of the picture that
// can hold set pixels. Filling, turning and mirroring give, pixel for pixel, what cv::fillPoly,
// cv::warpAffine (bilinear, black border) and cv::flip give on a full-size mask, at a cost that
// follows the size of the tooth instead of the size of the picture.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

// An 8-bit mask of a picture stored over a window: pixels outside the window are 0. An empty
// `pixels` stands for a mask that is 0 everywhere.
struct WindowedMask {
  cv::Mat pixels;  // CV_8UC1
  cv::Point origin;  // picture position of pixels(0, 0)

  bool empty() const { return pixels.empty(); }
  // Value at a picture position; 0 outside the window.
  uchar at(int x, int y) const;
};

// The full-size mask: a new picture of the given size, 0 outside the window.
cv::Mat toFullSize(const WindowedMask& mask, cv::Size picture);

// cv::fillPoly of one polygon, value 255, LINE_8, into a mask of the picture's size.
WindowedMask fillPolygon(const std::vector<cv::Point>& polygon, cv::Size picture);

// The mask's full-size picture turned by angleDegrees about centre: cv::warpAffine with
// cv::getRotationMatrix2D(centre as single-precision point, angleDegrees, 1.0), bilinear,
// constant border 0, output of the picture's size. A positive angle turns counter-clockwise on
// screen.
WindowedMask rotateMask(const WindowedMask& mask, cv::Point centre, double angleDegrees,
                        cv::Size picture);

// cv::flip with code 1 (left to right) of the full-size mask.
WindowedMask mirrorMask(const WindowedMask& mask, cv::Size picture);

}  // namespace leafmargin
