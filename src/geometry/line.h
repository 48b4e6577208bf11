// Infinite lines through two integer points and the operations on them: angle, distance of a
// point, evaluation at an x or a y, intersection. A line through two points of equal x is
// vertical and then carries slope 0 and intercept 0; callers rely on that convention.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>

namespace leafmargin {

struct Segment;

struct Line {
  int xVertical = 0;
  cv::Point p1{-1, -1};
  cv::Point p2{-1, -1};
  double slope = 0.0;
  double y0 = 0.0;
  bool vertical = false;

  Line() = default;
  Line(cv::Point a, cv::Point b);
  explicit Line(const Segment& s);
};

// 1.570796326795 for a vertical line, else atan(slope).
double lineAngle(const Line& l);
double distancePointLine(const Line& l, cv::Point q);
// xVertical for a vertical line, else (y - y0) / slope truncated (INT_MIN for a horizontal line).
int lineXAtY(const Line& l, int y);
// x * slope + y0; the vertical flag is not looked at.
double lineYAtX(const Line& l, double x);
// The crossing point, truncated; (-1, -1) for parallel lines and for two vertical lines.
cv::Point lineIntersection(const Line& a, const Line& b);
// Prints "pente : <slope> y0 : <y0>" (slope 1e7 for a vertical line).
void printLine(const Line& l, std::ostream& out);

}  // namespace leafmargin
