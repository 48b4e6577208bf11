// Segments between two integer points: length, direction, midpoint, a segment centred on a
// point, and drawing. The segment (-1, -1)-(-1, -1), which Segment() makes, stands for "no
// segment".
#pragma once

#include <opencv2/core.hpp>

namespace leafmargin {

struct Segment {
  cv::Point first{-1, -1};
  cv::Point second{-1, -1};

  Segment() = default;
  Segment(cv::Point a, cv::Point b) : first(a), second(b) {}
};

inline bool operator==(const Segment& a, const Segment& b) {
  return a.first == b.first && a.second == b.second;
}

double segmentLength(const Segment& s);
// lineAngle of the line from first to second.
double segmentAngle(const Segment& s);
// Integer midpoint, each coordinate sum divided by 2 truncating toward zero.
cv::Point segmentMidpoint(const Segment& s);
// Segments of the given length centred on points, in direction angle (radians): the half
// extents h = cos(angle) * length * 0.5 and v = sin(angle) * length * 0.5 are computed once,
// and the segment around c runs from (c.x - h, c.y - v) to (c.x + h, c.y + v), truncated.
struct CentredOffsets {
  double h, v;
  CentredOffsets(double angle, double length);
  Segment around(cv::Point c) const;
};
// cv::line from first to second on image, LINE_8, no shift.
void drawSegment(const Segment& s, cv::Mat& image, int thickness, const cv::Scalar& colour);

}  // namespace leafmargin
