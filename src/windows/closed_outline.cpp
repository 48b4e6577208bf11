#include "windows/closed_outline.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

namespace {

// Twice the signed area by the shoelace formula; negative when, on the y-down screen, the
// chain runs to the right along the bottom of the region it encloses.
double twiceSignedArea(const std::vector<cv::Point>& chain) {
  double sum = 0.0;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const cv::Point& a = chain[i];
    const cv::Point& b = chain[(i + 1) % chain.size()];
    sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
  }
  return sum;
}

double step(cv::Point a, cv::Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

int ClosedOutline::wrap(long long i) const {
  const long long n = size();
  return static_cast<int>(((i % n) + n) % n);
}

double ClosedOutline::forwardDistance(int from, int to) const {
  const double d = arc[to] - arc[from];
  return d >= 0.0 ? d : d + length;
}

int ClosedOutline::advance(int from, double distance) const {
  double target = arc[from] + std::fmod(distance, length);
  if (target >= length) target -= length;
  // First index whose arc is at least the target; past the end wraps to index 0.
  const auto it = std::lower_bound(arc.begin(), arc.end(), target - 1e-9);
  return it == arc.end() ? 0 : static_cast<int>(it - arc.begin());
}

ClosedOutline outerOutline(const cv::Mat& mask) {
  ClosedOutline outline;  // empty
  std::vector<std::vector<cv::Point>> outlines;
  cv::findContours(mask.clone(), outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  if (outlines.empty()) return outline;
  auto largest = std::max_element(outlines.begin(), outlines.end(), [](auto& a, auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  std::vector<cv::Point> points = std::move(*largest);
  if (twiceSignedArea(points) > 0.0) std::reverse(points.begin(), points.end());
  return closedOutlineOf(std::move(points));
}

ClosedOutline closedOutlineOf(std::vector<cv::Point> points) {
  ClosedOutline outline;
  outline.points = std::move(points);
  const int n = outline.size();
  outline.arc.resize(n);
  double s = 0.0;
  for (int i = 0; i < n; ++i) {
    if (i > 0) s += step(outline.points[i - 1], outline.points[i]);
    outline.arc[i] = s;
  }
  outline.length = s + (n > 1 ? step(outline.points[n - 1], outline.points[0]) : 0.0);
  return outline;
}

std::vector<cv::Point> outlineStretch(const ClosedOutline& outline, int first, int count) {
  std::vector<cv::Point> stretch;
  stretch.reserve(count);
  for (int k = 0; k < count; ++k) stretch.push_back(outline.points[outline.wrap(first + k)]);
  return stretch;
}

}  // namespace leafmargin
