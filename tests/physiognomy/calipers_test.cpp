// Feret diameter and minimum Feret: closed forms for turned rectangles, triangles, hexagons and
// degenerate sets, and on random shapes the literal procedures (the largest distance over every
// pair of points; the narrowest extent across the line through any two points) as oracles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "physiognomy/calipers.h"

namespace leafmargin {
namespace {

std::vector<cv::Point2d> regular(int corners, double radius, double turn, cv::Point2d centre) {
  std::vector<cv::Point2d> points;
  for (int k = 0; k < corners; ++k) {
    const double t = turn + 2.0 * CV_PI * k / corners;
    points.push_back(centre + radius * cv::Point2d(std::cos(t), std::sin(t)));
  }
  return points;
}

// A w x h rectangle turned by turn about c, with points along its sides and inside, and repeats.
std::vector<cv::Point2d> rectangle(double w, double h, double turn, cv::Point2d c) {
  std::vector<cv::Point2d> points;
  for (double u : {-0.5, -0.25, 0.0, 0.5})
    for (double v : {-0.5, 0.1, 0.5}) {
      const cv::Point2d p(u * w, v * h);
      points.push_back(c + cv::Point2d(p.x * std::cos(turn) - p.y * std::sin(turn), p.x * std::sin(turn) + p.y * std::cos(turn)));
    }
  points.push_back(points.front());
  return points;
}

TEST(Calipers, ClosedForms) {
  struct Case {
    const char* name;
    std::vector<cv::Point2d> points;
    double feret, minimumFeret;
  };
  const Case cases[] = {
      {"rectangle", rectangle(40, 10, 0.0, {5, 5}), std::sqrt(1700.0), 10},
      {"turned rectangle", rectangle(40, 10, 0.7, {500, 300}), std::sqrt(1700.0), 10},
      {"upright rectangle", rectangle(3, 25, 1.5707963267948966, {0, 0}), std::sqrt(634.0), 3},
      {"square on a corner", rectangle(10, 10, 0.7853981633974483, {0, 0}), std::sqrt(200.0), 10},
      {"triangle", regular(3, 10, 0.2, {50, 50}), 10 * std::sqrt(3.0), 15},
      {"hexagon", regular(6, 10, 0.1, {0, 0}), 20, 10 * std::sqrt(3.0)},
      {"on a line", {{0, 0}, {3, 4}, {6, 8}, {1.5, 2}}, 10, 0},
      {"two points", {{1, 1}, {4, 5}}, 5, 0},
      {"one point twice", {{1, 1}, {1, 1}}, 0, 0},
      {"none", {}, 0, 0},
  };
  for (const Case& c : cases) {
    const Calipers calipers = calipersOf(c.points);
    EXPECT_NEAR(calipers.feret, c.feret, 1e-9) << c.name;
    EXPECT_NEAR(calipers.minimumFeret, c.minimumFeret, 1e-9) << c.name;
  }
}

double literalFeret(const std::vector<cv::Point2d>& points) {
  double widest = 0.0;
  for (const cv::Point2d& p : points)
    for (const cv::Point2d& q : points) widest = std::max(widest, cv::norm(p - q));
  return widest;
}

// Every caliper width is the extent across the line through two hull corners.
double literalMinimumFeret(const std::vector<cv::Point2d>& points) {
  double narrowest = std::numeric_limits<double>::infinity();
  for (const cv::Point2d& p : points)
    for (const cv::Point2d& q : points) {
      if (p == q) continue;
      const cv::Point2d normal = cv::Point2d(q.y - p.y, p.x - q.x) / cv::norm(q - p);
      double low = 0.0, high = 0.0;
      for (const cv::Point2d& r : points) low = std::min(low, normal.dot(r - p)), high = std::max(high, normal.dot(r - p));
      narrowest = std::min(narrowest, high - low);
    }
  return std::isinf(narrowest) ? 0.0 : narrowest;
}

TEST(Calipers, MatchTheLiteralProceduresOnRandomShapes) {
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int trial = 0; trial < 300; ++trial) {
    // Star-shaped outlines (a leaf's blade) and clouds, some on a grid so that edges are parallel.
    std::vector<cv::Point2d> points;
    const int n = 3 + static_cast<int>(unit(random) * 30);
    const bool grid = trial % 3 == 0;
    for (int k = 0; k < n; ++k) {
      const double t = 2.0 * CV_PI * (trial % 2 ? unit(random) : (k + unit(random) * 0.5) / n);
      const double r = 20.0 + 80.0 * unit(random);
      cv::Point2d p(300 + r * std::cos(t), 200 + 0.6 * r * std::sin(t));
      if (grid) p = cv::Point2d(std::round(p.x / 10), std::round(p.y / 10));
      points.push_back(p);
    }
    const Calipers calipers = calipersOf(points);
    ASSERT_NEAR(calipers.feret, literalFeret(points), 1e-9) << "trial " << trial;
    ASSERT_NEAR(calipers.minimumFeret, literalMinimumFeret(points), 1e-9) << "trial " << trial;
    // The hull: corners of the set, turning left at each, with every point on or inside it.
    const std::vector<cv::Point2d> hull = convexHull(points);
    for (std::size_t k = 0; k < hull.size() && hull.size() > 2; ++k) {
      const cv::Point2d a = hull[k], b = hull[(k + 1) % hull.size()];
      EXPECT_NE(std::find(points.begin(), points.end(), a), points.end());
      EXPECT_GT((b - a).cross(hull[(k + 2) % hull.size()] - a), 0.0);
      for (const cv::Point2d& p : points) EXPECT_GE((b - a).cross(p - a), -1e-9);
    }
  }
}

}  // namespace
}  // namespace leafmargin
