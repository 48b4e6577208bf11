// Leaf contour choice and outline sampling: picks the leaf among the external contours (the
// last one of more than 100000 square pixels that is not enclosed by white of the Otsu mask),
// cuts away the stretches in the 10-pixel border band, and densifies what is left into the open
// 8-connected chain leafOutline and its 71-point moving average smoothOutline.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

struct LeafOutline {
  // No usable outline (kExitNoLeaf with the densification message), or one of the stage's
  // images could not be written (kExitNotWritten).
  MaybeFailure failure;
  cv::Mat outlineDrawing;
  std::vector<cv::Point> leafOutline;
  std::vector<cv::Point> smoothOutline;
};

// True when more than 300 of 360 points on a circle around the contour fall on white.
bool isEnclosedContour(const std::vector<cv::Point>& contour, const cv::Mat& binaryImage);
// Index of the leaf contour, or -1; each contour is drawn on contourDrawing when it is not empty.
int chooseLeafContour(const std::vector<std::vector<cv::Point>>& contours,
                      const std::vector<cv::Vec4i>& hierarchy, const cv::Mat& binaryImage,
                      cv::Mat& contourDrawing);
// The points after the first whose x and y lie strictly inside the 10-pixel border band.
std::vector<cv::Point> trimBorder(const std::vector<cv::Point>& contour, cv::Size size);
// leafOutline and smoothOutline of a trimmed contour; false when it has fewer than two points.
bool sampleOutline(const std::vector<cv::Point>& trimmed, cv::Size size,
                   std::vector<cv::Point>& leafOutline, std::vector<cv::Point>& smoothOutline);

// The whole stage with its trace "ee", "ff", "gg" and the files "drawing2.jpg", "drawing3.jpg";
// a file that cannot be written stops it right there, with the failure set.
LeafOutline extractLeafOutline(const std::vector<std::vector<cv::Point>>& contours,
                               const std::vector<cv::Vec4i>& hierarchy,
                               const cv::Mat& sourceImage, const cv::Mat& binaryImage,
                               const cv::Mat& foregroundMask, const RunOutput& out);

}  // namespace leafmargin
