#include "geometry/perpendicular_foot.h"

#include "geometry/numeric.h"

namespace leafmargin {

PerpendicularFoot::PerpendicularFoot(const Line& base, double carrierLength)
    : base_(base), carrier_(lineAngle(base) + kRightAngle, carrierLength) {}

cv::Point PerpendicularFoot::from(cv::Point p) const {
  return lineIntersection(base_, Line(carrier_.around(p)));
}

cv::Point perpendicularFoot(cv::Point p, const Segment& base, double carrierLength) {
  return PerpendicularFoot(Line(base), carrierLength).from(p);
}

}  // namespace leafmargin
