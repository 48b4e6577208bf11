#include "wholeleaf/whole_leaf_drawing.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <string>

namespace leafmargin {

namespace {

constexpr int kLargestSide = 2000;
const cv::Scalar kMeasuredColours[2] = {cv::Scalar(255, 140, 0), cv::Scalar(0, 200, 255)};
const cv::Scalar kRejectedColour(0, 0, 230);
const cv::Scalar kToothColour(0, 255, 0);

cv::Point toPixel(cv::Point2d p, double scale) {
  return {static_cast<int>(std::lround((p.x + 0.5) * scale - 0.5)),
          static_cast<int>(std::lround((p.y + 0.5) * scale - 0.5))};
}

// Text in white with a black rim, centred at a point.
void drawLabel(cv::Mat& image, const std::string& text, cv::Point centre, double fontScale, int weight) {
  int baseline = 0;
  const cv::Size size = cv::getTextSize(text, cv::FONT_HERSHEY_SIMPLEX, fontScale, weight, &baseline);
  const cv::Point origin(centre.x - size.width / 2, centre.y + size.height / 2);
  cv::putText(image, text, origin, cv::FONT_HERSHEY_SIMPLEX, fontScale, cv::Scalar(0, 0, 0),
              weight + 2 * std::max(1, weight / 2), cv::LINE_AA);
  cv::putText(image, text, origin, cv::FONT_HERSHEY_SIMPLEX, fontScale, cv::Scalar(255, 255, 255),
              weight, cv::LINE_AA);
}

}  // namespace

cv::Mat drawWholeLeafOverview(const cv::Mat& scan, const std::vector<OverviewStretch>& stretches,
                              const std::vector<cv::Point2d>& tips) {
  const double scale = std::min(1.0, static_cast<double>(kLargestSide) / std::max(scan.cols, scan.rows));
  cv::Mat image;
  if (scale < 1.0)
    cv::resize(scan, image, cv::Size(), scale, scale, cv::INTER_AREA);
  else
    image = scan.clone();
  const int side = std::max(image.cols, image.rows);
  const int line = std::max(2, side / 700);
  const double fontScale = std::max(0.5, side / 1600.0);
  const int weight = std::max(1, side / 900);

  int measured = 0;
  for (const OverviewStretch& stretch : stretches) {
    if (stretch.points.size() < 2) continue;
    std::vector<cv::Point> polyline;
    for (const cv::Point2d& p : stretch.points) polyline.push_back(toPixel(p, scale));
    const cv::Scalar colour = stretch.measured ? kMeasuredColours[measured++ % 2] : kRejectedColour;
    cv::polylines(image, polyline, false, colour, stretch.measured ? line : std::max(1, line / 2),
                  cv::LINE_AA);
    for (const cv::Point& end : {polyline.front(), polyline.back()})
      cv::circle(image, end, 2 * line, colour, cv::FILLED, cv::LINE_AA);
  }
  const int ring = 3 * line;
  for (std::size_t k = 0; k < tips.size(); ++k) {
    const cv::Point tip = toPixel(tips[k], scale);
    cv::circle(image, tip, ring, kToothColour, line, cv::LINE_AA);
    drawLabel(image, std::to_string(k + 1), tip + cv::Point(0, -ring - static_cast<int>(12 * fontScale)),
              fontScale, weight);
  }
  return image;
}

}  // namespace leafmargin
