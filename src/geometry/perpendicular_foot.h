// The foot of the perpendicular dropped from a point onto the line through a segment, as the
// program measures heights and depths: the perpendicular's direction is carried by the integer
// segment of carrierLength pixels centred on the point at a right angle to the base
// (CentredOffsets), and the foot is the truncated crossing of the base line with the
// carrier's line. The foot is thus resolved to the carrier's pixels: the longer the carrier,
// the finer its direction.
#pragma once

#include <opencv2/core.hpp>

#include "geometry/line.h"
#include "geometry/segment.h"

namespace leafmargin {

// One base line and carrier length, for many points.
class PerpendicularFoot {
 public:
  // base: the line through the base segment, first point first (Line(segment)).
  PerpendicularFoot(const Line& base, double carrierLength);
  // The foot for p; (-1, -1) when the two lines do not cross.
  cv::Point from(cv::Point p) const;

 private:
  Line base_;
  CentredOffsets carrier_;
};

cv::Point perpendicularFoot(cv::Point p, const Segment& base, double carrierLength);

}  // namespace leafmargin
