// Pictures drawn for people (teeth.png, whole_leaf.png): the picture shrunk to fit a largest side,
// points of the full picture placed on it, and numbered labels that read the same at any size.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace leafmargin {

struct ShrunkPicture {
  cv::Mat image;  // 8-bit BGR, a copy of the picture (smaller when it was larger than asked)
  double scale = 1.0;

  // Where a point of the full picture (pixel centres at whole coordinates) lands on image.
  cv::Point toDrawn(cv::Point2d p) const;
};

// The picture scaled down (INTER_AREA) so that its longest side is at most largestSide.
ShrunkPicture shrinkToFit(const cv::Mat& picture, int largestSide);

// text in black on a white box with a black frame, centred at centre and kept inside canvas.
void drawNumberLabel(cv::Mat& canvas, const std::string& text, cv::Point centre,
                     double fontScale = 0.55);

// The box drawNumberLabel fills for text, centred at centre (before it is kept inside a canvas).
cv::Rect numberLabelBox(const std::string& text, cv::Point centre, double fontScale = 0.55);

// The longest of 1, 2, 5, 10, 20, 50 ... mm that fits in maxPixels (at least 1 mm).
double scaleBarMillimetres(double pixelsPerMm, double maxPixels);

// A scale bar of the longest round length that fits in maxPixels, its right end at rightEnd,
// with its length in mm written above it; returns its length in pixels.
int drawScaleBar(cv::Mat& canvas, cv::Point rightEnd, double pixelsPerMm, double maxPixels,
                 double fontScale = 0.55);

}  // namespace leafmargin
