// The caliper measures of a set of points (a leaf's blade): the Feret diameter, the largest
// distance between two of them, and the minimum Feret, the narrowest width between two parallel
// lines that hold them all. Exact for the points given: both come from their convex hull, the
// widths by rotating calipers.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

struct Calipers {
  double feret = 0.0;
  double minimumFeret = 0.0;
};

// The convex hull of points, counter-clockwise in the x-right y-up sense, starting at the
// lowest-x (then lowest-y) point, without points inside or on its edges between corners.
std::vector<cv::Point2d> convexHull(std::vector<cv::Point2d> points);

// Both measures; zero for fewer than two distinct points, minimumFeret zero when they lie on one
// line.
Calipers calipersOf(const std::vector<cv::Point2d>& points);

}  // namespace leafmargin
