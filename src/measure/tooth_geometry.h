// Width, height and angle of one tooth (tip between two sinus bottoms) and of one sinus (bottom
// between two tips). The height drops a perpendicular from the apex onto the base line, whose
// direction is carried by a short integer segment, so it is resolved to that segment's pixels.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>

#include "geometry/segment.h"

namespace leafmargin {

struct ToothMeasure {
  double width = 0.0;     // length of the base between the two sinus bottoms, pixels
  double height = 0.0;    // tip to the foot of its perpendicular on the base line, pixels
  double ratio = 0.0;     // height / width (infinite or NaN for an empty base)
  double tipAngle = 0.0;  // angle at the tip between the two sinus bottoms, radians
};

struct SinusMeasure {
  double width = 0.0;   // chord between the two tips, pixels
  double height = 0.0;  // bottom to the foot of its perpendicular on the chord line, pixels
  double angle = 0.0;   // angle at the bottom between the two tips, radians
};

// The angle diagnostics (a sinus equal to the tip) go to diag.
ToothMeasure measureTooth(cv::Point tip, cv::Point sinusBefore, cv::Point sinusAfter,
                          std::ostream& diag);
SinusMeasure measureSinus(cv::Point bottom, cv::Point tipBefore, cv::Point tipAfter,
                          std::ostream& diag);

}  // namespace leafmargin
