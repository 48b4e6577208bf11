#include "physiognomy/calipers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace leafmargin {

namespace {

// Twice the signed area of triangle a, b, c: positive when c lies to the left of a -> b (x right,
// y up).
double cross(const cv::Point2d& a, const cv::Point2d& b, const cv::Point2d& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

}  // namespace

std::vector<cv::Point2d> convexHull(std::vector<cv::Point2d> points) {
  std::sort(points.begin(), points.end(), [](const cv::Point2d& a, const cv::Point2d& b) {
    return a.x < b.x || (a.x == b.x && a.y < b.y);
  });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  // Monotone chain: the lower hull left to right, then the upper hull right to left.
  std::vector<cv::Point2d> hull(2 * points.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
    hull[k++] = points[i];
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 2], hull[k - 1], points[i]) <= 0.0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);  // the last point is the first again
  return hull;
}

Calipers calipersOf(const std::vector<cv::Point2d>& points) {
  const std::vector<cv::Point2d> hull = convexHull(points);
  const std::size_t m = hull.size();
  Calipers calipers;
  if (m < 2) return calipers;
  if (m == 2) {
    calipers.feret = cv::norm(hull[1] - hull[0]);
    return calipers;
  }
  // For each edge, the corner farthest from its line (it only moves forward as the edges turn):
  // that distance is the width across the edge, and the corner with either end of the edge is an
  // antipodal pair; the largest distance is between the two points of one of these pairs.
  double widest = 0.0, narrowest = std::numeric_limits<double>::infinity();
  std::size_t far = 1;
  for (std::size_t i = 0; i < m; ++i) {
    const cv::Point2d& a = hull[i];
    const cv::Point2d& b = hull[(i + 1) % m];
    for (std::size_t turns = 0; turns < m && cross(a, b, hull[(far + 1) % m]) > cross(a, b, hull[far]);
         ++turns) {
      far = (far + 1) % m;
    }
    widest = std::max({widest, cv::norm(hull[far] - a), cv::norm(hull[far] - b)});
    narrowest = std::min(narrowest, cross(a, b, hull[far]) / cv::norm(b - a));
  }
  calipers.feret = widest;
  calipers.minimumFeret = narrowest;
  return calipers;
}

}  // namespace leafmargin
