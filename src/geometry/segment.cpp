#include "geometry/segment.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/numeric.h"

namespace leafmargin {

double segmentLength(const Segment& s) { return pointDistance(s.first, s.second); }

double segmentAngle(const Segment& s) { return lineAngle(Line(s.first, s.second)); }

cv::Point segmentMidpoint(const Segment& s) {
  return {wrapAdd(s.first.x, s.second.x) / 2, wrapAdd(s.first.y, s.second.y) / 2};
}

CentredOffsets::CentredOffsets(double angle, double length)
    : h(std::cos(angle) * length * 0.5), v(std::sin(angle) * length * 0.5) {}

Segment CentredOffsets::around(cv::Point c) const {
  return Segment(cv::Point(truncToInt(c.x - h), truncToInt(c.y - v)),
                 cv::Point(truncToInt(c.x + h), truncToInt(c.y + v)));
}

void drawSegment(const Segment& s, cv::Mat& image, int thickness, const cv::Scalar& colour) {
  cv::line(image, s.first, s.second, colour, thickness, cv::LINE_8, 0);
}

}  // namespace leafmargin
