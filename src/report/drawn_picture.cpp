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

void drawNumberLabel(cv::Mat& canvas, const std::string& text, cv::Point centre,
                     double fontScale) {
  const int font = cv::FONT_HERSHEY_SIMPLEX;
  const int weight = std::max(1, static_cast<int>(std::lround(fontScale * 1.6)));
  const int pad = std::max(3, static_cast<int>(std::lround(fontScale * 5)));
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
