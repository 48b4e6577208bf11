// Apical angle of one tooth: a straight line is fitted to each flank through the means of two
// consecutive windows of outline points, and among all left/right pairs the widest angle whose
// crossing lies close to the tip wins. The angle is read at the crossing between the two lines'
// points far above the picture (y = -5000), so a sideways tooth gets the supplement of its
// opening. The chosen rays are drawn on the caller's drawing; writing it is the caller's job.
#pragma once

#include <limits>
#include <opencv2/core.hpp>
#include <ostream>
#include <vector>

#include "geometry/segment.h"

namespace leafmargin {

struct ApicalAngleResult {
  cv::Point apex{-1, -1};         // crossing of the two chosen flank lines
  cv::Point leftRayEnd{-1, -1};   // far end of the drawn left ray
  cv::Point rightRayEnd{-1, -1};  // far end of the drawn right ray
  Segment axis;                   // from the far midpoint at y = -5000 to the apex
  double angle = std::numeric_limits<double>::quiet_NaN();  // radians; NaN when undetermined
  bool found = false;
  // A right-flank window mean fell on column 0: the run must stop (the driver says "bug !").
  bool aborted = false;
};

// The flanks are the outline stretches from the last occurrence of sinusBefore to that of the
// tip, and from the tip to sinusAfter; a flank of n points is fitted with windows of half-size
// 40 from 200 points, 20 from 100, 10 from 50, 5 from 25, else 3. Prints the window sizes, the
// flank sizes and the chosen lines, or one of the two "impossible de déterminer l'angle
// apical" messages. When an angle is found the two rays are drawn on drawing (thickness 2,
// white), unless drawing is empty.
ApicalAngleResult apicalAngle(cv::Point tip, cv::Point sinusBefore, cv::Point sinusAfter,
                              const std::vector<cv::Point>& outline, cv::Mat& drawing,
                              std::ostream& trace);

}  // namespace leafmargin
