// The margin procedures written the slow, literal way (scan the curve from its start, walk the
// outline point by point, search positions from index 0), and the random chains the property
// tests feed to both versions.
#pragma once

#include <cmath>
#include <opencv2/core.hpp>
#include <ostream>
#include <random>
#include <vector>

#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/numeric.h"
#include "support/literal_geometry.h"

namespace leafmargin::oracle {

inline int segmentEnd(const std::vector<cv::Point>& curve, int x) {
  const int m = static_cast<int>(curve.size());
  for (int t = 1; t <= m - 2; ++t)
    if (curve[t].x > x) return t;
  return m - 1;
}

inline int verticalOffset(cv::Point p, const std::vector<cv::Point>& curve) {
  const int t = segmentEnd(curve, p.x);
  return truncToInt(lineYAtX(Line(curve[t - 1], curve[t]), p.x)) - p.y;
}

inline int distanceToCurve(cv::Point p, const std::vector<cv::Point>& curve) {
  const int t = segmentEnd(curve, p.x);
  return truncToInt(distancePointLine(Line(curve[t - 1], curve[t]), p));
}

inline int reachBefore(const std::vector<cv::Point>& outline, int i) {
  int s = i;
  for (int j = i; j >= 0; --j) {
    if (pointDistance(outline[j], outline[i]) > 30.0) break;
    s = j;
  }
  return s;
}

inline int reachAfter(const std::vector<cv::Point>& outline, int i) {
  int e = i;
  for (int k = i; k < static_cast<int>(outline.size()); ++k) {
    if (pointDistance(outline[k], outline[i]) > 30.0) break;
    e = k;
  }
  return e;
}

inline std::vector<double> angleProfile(const std::vector<cv::Point>& outline, std::ostream& diag) {
  const int n = static_cast<int>(outline.size());
  std::vector<double> profile(30, 6.28318530718);
  if (n > 60) {
    for (int i = 30; i <= n - 31; ++i) {
      const cv::Point before = testing::literalMean(outline, reachBefore(outline, i), i);
      const cv::Point after = testing::literalMean(outline, i, reachAfter(outline, i));
      const double angle = angle3Points(outline[i], before, after, diag);
      profile.push_back(std::isnan(angle) ? 3.14159265359 : angle);
    }
  }
  profile.insert(profile.end(), 30, 6.28318530718);
  return profile;
}

// A dense 8-connected chain of n points without repeated neighbours. It keeps a heading for a
// while and turns at random, so it wanders, doubles back in x and crosses itself; with a small
// `spread` it shuffles inside a few pixels for its whole length.
inline std::vector<cv::Point> randomDenseChain(std::mt19937& rng, int n, int spread = 0) {
  static const cv::Point kSteps[8] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                      {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
  std::uniform_int_distribution<int> direction(0, 7), turn(-1, 1), keep(0, 9);
  std::vector<cv::Point> chain;
  cv::Point p(std::uniform_int_distribution<int>(-50, 50)(rng), 100);
  int heading = direction(rng);
  const cv::Point origin = p;
  for (int k = 0; k < n; ++k) {
    chain.push_back(p);
    if (keep(rng) < 3) heading = (heading + 8 + turn(rng)) % 8;
    if (spread > 0 && std::abs((p + kSteps[heading]).x - origin.x) > spread)
      heading = (heading + 4) % 8;
    if (spread > 0 && std::abs((p + kSteps[heading]).y - origin.y) > spread)
      heading = (heading + 4) % 8;
    p += kSteps[heading];
  }
  return chain;
}

}  // namespace leafmargin::oracle
