#include "leafgen/polygon_measures.h"

#include <algorithm>
#include <cmath>

namespace leafmargin::leafgen {

namespace {

double cross(cv::Point2d a, cv::Point2d b) { return a.x * b.y - a.y * b.x; }

// The convex hull, counter-clockwise in a y-up frame, without collinear points (monotone chain).
Polygon convexHull(Polygon points) {
  std::sort(points.begin(), points.end(), [](cv::Point2d a, cv::Point2d b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  points.erase(std::unique(points.begin(), points.end()), points.end());
  if (points.size() < 3) return points;
  Polygon hull(2 * points.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 1] - hull[k - 2], points[i] - hull[k - 2]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && cross(hull[k - 1] - hull[k - 2], points[i] - hull[k - 2]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

// The part of a segment inside the rectangle, as parameters along it (Liang-Barsky).
bool clipSegment(cv::Point2d a, cv::Point2d b, const cv::Rect2d& r, double& t0, double& t1) {
  const cv::Point2d d = b - a;
  const double p[4] = {-d.x, d.x, -d.y, d.y};
  const double q[4] = {a.x - r.x, r.x + r.width - a.x, a.y - r.y, r.y + r.height - a.y};
  t0 = 0.0;
  t1 = 1.0;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  return t0 < t1;
}

// The polygon cut by the half-plane where inside(p) holds; cut(a, b) is where an edge leaves it.
template <typename Inside, typename Cut>
Polygon clipHalfPlane(const Polygon& polygon, Inside inside, Cut cut) {
  Polygon out;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const cv::Point2d a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    const bool inA = inside(a), inB = inside(b);
    if (inA) out.push_back(a);
    if (inA != inB) out.push_back(cut(a, b));
  }
  return out;
}

}  // namespace

double polygonArea(const Polygon& polygon) {
  double twice = 0.0;
  for (std::size_t i = 1; i + 1 < polygon.size(); ++i)
    twice += cross(polygon[i] - polygon[0], polygon[i + 1] - polygon[0]);
  return 0.5 * std::abs(twice);
}

double polygonPerimeter(const Polygon& polygon) {
  double length = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) length += cv::norm(polygon[(i + 1) % polygon.size()] - polygon[i]);
  return length;
}

Calipers calipers(const Polygon& polygon) {
  const Polygon hull = convexHull(polygon);
  Calipers result;
  const std::size_t n = hull.size();
  if (n < 3) {
    if (n == 2) result.feret = cv::norm(hull[1] - hull[0]);
    return result;
  }
  // Rotating calipers: for each hull edge the farthest vertex moves forward only.
  result.minimumFeret = HUGE_VAL;
  std::size_t j = 1;
  for (std::size_t i = 0; i < n; ++i) {
    const cv::Point2d a = hull[i], b = hull[(i + 1) % n], edge = b - a;
    while (cross(edge, hull[(j + 1) % n] - a) > cross(edge, hull[j] - a)) j = (j + 1) % n;
    result.minimumFeret = std::min(result.minimumFeret, cross(edge, hull[j] - a) / cv::norm(edge));
    for (const cv::Point2d& far : {hull[j], hull[(j + 1) % n]})
      result.feret = std::max({result.feret, cv::norm(far - a), cv::norm(far - b)});
  }
  return result;
}

Polygon clippedToRect(const Polygon& polygon, const cv::Rect2d& r) {
  const double x0 = r.x, x1 = r.x + r.width, y0 = r.y, y1 = r.y + r.height;
  auto atX = [](double x) {
    return [x](cv::Point2d a, cv::Point2d b) { return cv::Point2d(x, a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x)); };
  };
  auto atY = [](double y) {
    return [y](cv::Point2d a, cv::Point2d b) { return cv::Point2d(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), y); };
  };
  Polygon out = clipHalfPlane(polygon, [x0](cv::Point2d p) { return p.x >= x0; }, atX(x0));
  out = clipHalfPlane(out, [x1](cv::Point2d p) { return p.x <= x1; }, atX(x1));
  out = clipHalfPlane(out, [y0](cv::Point2d p) { return p.y >= y0; }, atY(y0));
  return clipHalfPlane(out, [y1](cv::Point2d p) { return p.y <= y1; }, atY(y1));
}

double outlineInside(const Polygon& polygon, const cv::Rect2d& rect) {
  double length = 0.0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const cv::Point2d a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    double t0 = 0.0, t1 = 0.0;
    if (clipSegment(a, b, rect, t0, t1)) length += (t1 - t0) * cv::norm(b - a);
  }
  return length;
}

double borderInside(const Polygon& polygon, const cv::Rect2d& r) {
  const cv::Point2d corners[4] = {{r.x, r.y}, {r.x + r.width, r.y}, {r.x + r.width, r.y + r.height}, {r.x, r.y + r.height}};
  double length = 0.0;
  for (int side = 0; side < 4; ++side) {
    const cv::Point2d p = corners[side], q = corners[(side + 1) % 4], d = q - p;
    // Where the polygon's edges cross this side, as parameters along it.
    std::vector<double> at{0.0, 1.0};
    for (std::size_t i = 0; i < polygon.size(); ++i) {
      const cv::Point2d a = polygon[i], b = polygon[(i + 1) % polygon.size()];
      const double sa = cross(d, a - p), sb = cross(d, b - p);
      if ((sa > 0.0) == (sb > 0.0)) continue;
      const cv::Point2d hit = a + sa / (sa - sb) * (b - a);
      const double t = (hit - p).dot(d) / d.dot(d);
      if (t > 0.0 && t < 1.0) at.push_back(t);
    }
    std::sort(at.begin(), at.end());
    for (std::size_t k = 0; k + 1 < at.size(); ++k)
      if (insidePolygon(polygon, p + 0.5 * (at[k] + at[k + 1]) * d)) length += (at[k + 1] - at[k]) * cv::norm(d);
  }
  return length;
}

bool insidePolygon(const Polygon& polygon, cv::Point2d p) {
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const cv::Point2d a = polygon[i], b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
  }
  return inside;
}

}  // namespace leafmargin::leafgen
