#include "leaves/region_masks.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace leafmargin {

cv::Mat largestRegionFilled(const cv::Mat& mask) {
  std::vector<std::vector<cv::Point>> outlines;
  cv::findContours(mask.clone(), outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  cv::Mat filled = cv::Mat::zeros(mask.size(), CV_8UC1);
  if (outlines.empty()) return filled;
  const auto largest = std::max_element(outlines.begin(), outlines.end(), [](auto& a, auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  cv::drawContours(filled, outlines, static_cast<int>(largest - outlines.begin()), cv::Scalar(255),
                   cv::FILLED);
  return filled;
}

cv::Mat openByDisc(const cv::Mat& mask, double radius) {
  cv::Mat inside, eroded, outside;
  cv::distanceTransform(mask, inside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  eroded = inside > radius;
  cv::distanceTransform(~eroded, outside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  return outside <= radius;
}

cv::Mat withoutThinLines(const cv::Mat& mask, double radius) {
  const cv::Mat opened = openByDisc(mask, radius);
  cv::Mat distance;
  cv::distanceTransform(~opened, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  return opened | (mask & (distance <= radius));
}

}  // namespace leafmargin
