#include "measure/tooth_geometry.h"

#include "geometry/angles.h"
#include "geometry/perpendicular_foot.h"

namespace leafmargin {

namespace {
// Length of the segment that carries the perpendicular's direction for widths and heights.
constexpr double kHeightCarrierLength = 100.0;
}  // namespace

ToothMeasure measureTooth(cv::Point tip, cv::Point sinusBefore, cv::Point sinusAfter,
                          std::ostream& diag) {
  ToothMeasure m;
  const Segment base(sinusBefore, sinusAfter);
  m.width = segmentLength(base);
  m.height = segmentLength(Segment(tip, perpendicularFoot(tip, base, kHeightCarrierLength)));
  m.ratio = m.height / m.width;
  m.tipAngle = angle3Points(tip, sinusBefore, sinusAfter, diag);
  return m;
}

SinusMeasure measureSinus(cv::Point bottom, cv::Point tipBefore, cv::Point tipAfter,
                          std::ostream& diag) {
  SinusMeasure m;
  const Segment chord(tipBefore, tipAfter);
  m.width = segmentLength(chord);
  m.height = segmentLength(Segment(bottom, perpendicularFoot(bottom, chord, kHeightCarrierLength)));
  m.angle = angle3Points(bottom, tipBefore, tipAfter, diag);
  return m;
}

}  // namespace leafmargin
