#include "geometry/line.h"

#include <cmath>

#include "geometry/numeric.h"
#include "geometry/segment.h"

namespace leafmargin {

Line::Line(cv::Point a, cv::Point b) : p1(a), p2(b) {
  if (a.x == b.x) {
    vertical = true;
    xVertical = a.x;
    slope = 0.0;
    y0 = 0.0;
  } else {
    vertical = false;
    xVertical = 0;
    slope = (static_cast<double>(a.y) - static_cast<double>(b.y)) /
            (static_cast<double>(a.x) - static_cast<double>(b.x));
    y0 = static_cast<double>(a.y) - slope * static_cast<double>(a.x);
  }
}

Line::Line(const Segment& s) : Line(s.first, s.second) {}

double lineAngle(const Line& l) { return l.vertical ? kRightAngle : std::atan(l.slope); }

double distancePointLine(const Line& l, cv::Point q) {
  double a, b, c;
  if (l.vertical) {
    a = 1.0;
    b = 0.0;
    c = -static_cast<double>(l.xVertical);
  } else {
    a = -l.slope;
    b = 1.0;
    c = -l.y0;
  }
  return std::fabs((q.y * b + q.x * a) + c) / std::sqrt(b * b + a * a);
}

int lineXAtY(const Line& l, int y) {
  if (l.vertical) return l.xVertical;
  return truncToInt((y - l.y0) / l.slope);
}

double lineYAtX(const Line& l, double x) { return x * l.slope + l.y0; }

cv::Point lineIntersection(const Line& a, const Line& b) {
  if (!b.vertical && a.vertical) {
    const int x = a.xVertical;
    return {x, truncToInt(x * b.slope + b.y0)};
  }
  if (!b.vertical && !a.vertical) {
    if (a.slope == b.slope) return {-1, -1};
    const double x = (a.y0 - b.y0) / (b.slope - a.slope);
    return {truncToInt(x), truncToInt(a.slope * x + a.y0)};
  }
  if (b.vertical && !a.vertical) {
    const int x = b.xVertical;
    return {x, truncToInt(x * a.slope + a.y0)};
  }
  return {-1, -1};
}

void printLine(const Line& l, std::ostream& out) {
  out << "pente : " << (l.vertical ? 10000000.0 : l.slope) << " y0 : " << l.y0 << std::endl;
}

}  // namespace leafmargin
