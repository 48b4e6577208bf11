#include "wholeleaf/whole_leaf_drawing.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <string>

#include "report/drawn_picture.h"

namespace leafmargin {

namespace {

constexpr int kLargestSide = 2000;
const cv::Scalar kMeasuredColours[2] = {cv::Scalar(255, 140, 0), cv::Scalar(0, 200, 255)};
const cv::Scalar kRejectedColour(0, 0, 230);
const cv::Scalar kToothColour(0, 255, 0);

}  // namespace

cv::Mat drawWholeLeafOverview(const cv::Mat& scan, const std::vector<OverviewStretch>& stretches,
                              const std::vector<cv::Point2d>& tips) {
  const ShrunkPicture shrunk = shrinkToFit(scan, kLargestSide);
  cv::Mat image = shrunk.image;
  const int side = std::max(image.cols, image.rows);
  const int line = std::max(2, side / 700);
  const double fontScale = std::max(0.5, side / 1600.0);

  int measured = 0;
  for (const OverviewStretch& stretch : stretches) {
    if (stretch.points.size() < 2) continue;
    std::vector<cv::Point> polyline;
    for (const cv::Point2d& p : stretch.points) polyline.push_back(shrunk.toDrawn(p));
    const cv::Scalar colour = stretch.measured ? kMeasuredColours[measured++ % 2] : kRejectedColour;
    cv::polylines(image, polyline, false, colour, stretch.measured ? line : std::max(1, line / 2),
                  cv::LINE_AA);
    for (const cv::Point& end : {polyline.front(), polyline.back()})
      cv::circle(image, end, 2 * line, colour, cv::FILLED, cv::LINE_AA);
  }
  const int ring = 3 * line;
  for (std::size_t k = 0; k < tips.size(); ++k) {
    const cv::Point tip = shrunk.toDrawn(tips[k]);
    cv::circle(image, tip, ring, kToothColour, line, cv::LINE_AA);
    drawNumberLabel(image, std::to_string(k + 1),
                    tip + cv::Point(0, -ring - static_cast<int>(12 * fontScale)), fontScale);
  }
  return image;
}

}  // namespace leafmargin
