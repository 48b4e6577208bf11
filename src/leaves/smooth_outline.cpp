#include "leaves/smooth_outline.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

namespace {

constexpr double kBlurSigma = 0.45;  // mask pixels
constexpr int kPad = 3;             // zero pixels round the mask, so every outline closes
constexpr double kSamePoint = 0.05; // pixels: closer points are one
constexpr double kLevel = 0.5;

// Where the half level runs near p (a pixel inside): between p and its outside neighbours across
// its sides, by linear interpolation, their mean; where only a corner touches the outside, across
// that corner.
cv::Point2d halfLevelNear(const cv::Mat& level, cv::Point p) {
  static const cv::Point kSides[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  static const cv::Point kCorners[4] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  const float inside = level.at<float>(p);
  for (const cv::Point* steps : {kSides, kCorners}) {
    cv::Point2d sum(0.0, 0.0);
    int crossings = 0;
    for (int k = 0; k < 4; ++k) {
      const cv::Point q = p + steps[k];
      if (q.x < 0 || q.y < 0 || q.x >= level.cols || q.y >= level.rows) continue;
      const float outside = level.at<float>(q);
      if (outside > kLevel) continue;
      const double t = (inside - kLevel) / std::max(1e-6, static_cast<double>(inside - outside));
      sum += cv::Point2d(p) + t * cv::Point2d(steps[k]);
      ++crossings;
    }
    if (crossings > 0) return sum / crossings;
  }
  return cv::Point2d(p);
}

}  // namespace

double twiceSignedArea(const std::vector<cv::Point2d>& polygon) {
  double sum = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const cv::Point2d& a = polygon[i];
    const cv::Point2d& b = polygon[(i + 1) % polygon.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}

std::vector<cv::Point2d> halfLevelOutline(const cv::Mat& mask, double sigma) {
  cv::Mat padded;
  cv::copyMakeBorder(mask, padded, kPad, kPad, kPad, kPad, cv::BORDER_CONSTANT, cv::Scalar(0));
  cv::Mat level;
  padded.convertTo(level, CV_32F, 1.0 / 255.0);
  cv::GaussianBlur(level, level, cv::Size(), sigma, sigma, cv::BORDER_CONSTANT);
  std::vector<std::vector<cv::Point>> outlines;
  cv::findContours(level > kLevel, outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  if (outlines.empty()) return {};
  const auto& boundary = *std::max_element(outlines.begin(), outlines.end(), [](auto& a, auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  std::vector<cv::Point2d> points;
  points.reserve(boundary.size());
  for (const cv::Point& p : boundary) {
    const cv::Point2d at = halfLevelNear(level, p);
    const cv::Point2d point = at - cv::Point2d(kPad, kPad);
    if (points.empty() || cv::norm(point - points.back()) > kSamePoint) points.push_back(point);
  }
  while (points.size() > 1 && cv::norm(points.front() - points.back()) <= kSamePoint) points.pop_back();
  if (twiceSignedArea(points) > 0.0) std::reverse(points.begin(), points.end());
  return points;
}

SmoothOutline smoothOutline(const LeafMask& leaf, cv::Size scanSize) {
  SmoothOutline outline;
  const std::vector<cv::Point2d> points = halfLevelOutline(leaf.mask, kBlurSigma);
  // The box edges that are the picture's edges, in mask pixels.
  const bool left = leaf.box.x == 0, top = leaf.box.y == 0;
  const bool right = leaf.box.br().x == scanSize.width, bottom = leaf.box.br().y == scanSize.height;
  const double lastX = leaf.mask.cols - 1, lastY = leaf.mask.rows - 1;
  for (const cv::Point2d& p : points) {
    outline.points.push_back(leaf.toScan(p));
    outline.onBorder.push_back((left && p.x < 0.0) || (top && p.y < 0.0) || (right && p.x > lastX) ||
                               (bottom && p.y > lastY));
  }
  return outline;
}

}  // namespace leafmargin
