#include "report/drawn_picture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

cv::Point ShrunkPicture::toDrawn(cv::Point2d p) const {
  return {static_cast<int>(std::lround((p.x + 0.5) * scale - 0.5)),
          static_cast<int>(std::lround((p.y + 0.5) * scale - 0.5))};
}

ShrunkPicture shrinkToFit(const cv::Mat& picture, int largestSide) {
  ShrunkPicture shrunk;
  const int longest = std::max(picture.cols, picture.rows);
  shrunk.scale = longest > largestSide ? static_cast<double>(largestSide) / longest : 1.0;
  if (shrunk.scale < 1.0) {
    cv::resize(picture, shrunk.image, cv::Size(), shrunk.scale, shrunk.scale, cv::INTER_AREA);
  } else {
    shrunk.image = picture.clone();
  }
  return shrunk;
}

namespace {

constexpr int kLabelFont = cv::FONT_HERSHEY_SIMPLEX;
int labelWeight(double fontScale) { return std::max(1, static_cast<int>(std::lround(fontScale * 1.6))); }
int labelPad(double fontScale) { return std::max(3, static_cast<int>(std::lround(fontScale * 5))); }

}  // namespace

cv::Rect numberLabelBox(const std::string& text, cv::Point centre, double fontScale) {
  int baseline = 0;
  const cv::Size size = cv::getTextSize(text, kLabelFont, fontScale, labelWeight(fontScale), &baseline);
  const int pad = labelPad(fontScale);
  const cv::Size box(size.width + 2 * pad, size.height + 2 * pad);
  return cv::Rect(cv::Point(centre.x - box.width / 2, centre.y - box.height / 2), box);
}

double scaleBarMillimetres(double pixelsPerMm, double maxPixels) {
  double best = 1.0;
  for (double decade = 1.0; decade <= 1e4; decade *= 10) {
    for (double step : {1.0, 2.0, 5.0}) {
      if (step * decade * pixelsPerMm <= maxPixels) best = step * decade;
    }
  }
  return best;
}

int drawScaleBar(cv::Mat& canvas, cv::Point rightEnd, double pixelsPerMm, double maxPixels,
                 double fontScale) {
  const cv::Scalar ink(0, 0, 0);
  const double millimetres = scaleBarMillimetres(pixelsPerMm, maxPixels);
  const int length = static_cast<int>(std::lround(millimetres * pixelsPerMm));
  const int right = rightEnd.x, y = rightEnd.y;
  cv::line(canvas, {right - length, y}, {right, y}, ink, 3);
  for (int end : {right - length, right}) cv::line(canvas, {end, y - 6}, {end, y + 6}, ink, 2);
  const std::string text = std::to_string(static_cast<long long>(millimetres)) + " mm";
  cv::putText(canvas, text, {right - length, y - 10}, kLabelFont, fontScale, ink, 1, cv::LINE_AA);
  return length;
}

void drawNumberLabel(cv::Mat& canvas, const std::string& text, cv::Point centre,
                     double fontScale) {
  const int font = kLabelFont;
  const int weight = labelWeight(fontScale);
  const int pad = labelPad(fontScale);
  int baseline = 0;
  const cv::Size size = cv::getTextSize(text, font, fontScale, weight, &baseline);
  const cv::Size box(size.width + 2 * pad, size.height + 2 * pad);
  cv::Point corner(centre.x - box.width / 2, centre.y - box.height / 2);
  corner.x = std::clamp(corner.x, 0, std::max(0, canvas.cols - box.width));
  corner.y = std::clamp(corner.y, 0, std::max(0, canvas.rows - box.height));
  const cv::Rect rect(corner, box);
  cv::rectangle(canvas, rect, cv::Scalar(255, 255, 255), cv::FILLED);
  cv::rectangle(canvas, rect, cv::Scalar(0, 0, 0), 1);
  cv::putText(canvas, text, {corner.x + pad, corner.y + pad + size.height}, font, fontScale,
              cv::Scalar(0, 0, 0), weight, cv::LINE_AA);
}

}  // namespace leafmargin
