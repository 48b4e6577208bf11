// A leaf as the physiognomy measures read it: its closed outline at the scan's resolution with
// sub-pixel precision, which stretches lie on the picture's border, where its petiole is cut off
// and where each tooth found on it begins, peaks and ends. Built by the whole-leaf analysis; a
// plain value that the measures only read.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "report/pixel_size.h"

namespace leafmargin {

struct ToothSpan {
  int sinusBefore = 0;  // outline index of the sinus the tooth begins at (going forward)
  int tip = 0;          // outline index of its tip
  int sinusAfter = 0;   // outline index of the sinus it ends at; forward from sinusBefore through tip
};

struct LeafShape {
  std::vector<cv::Point2d> outline;  // scan pixels, closed (the last point joins the first), the
                                     // leaf on the left of the direction of travel (y down)
  std::vector<bool> onBorder;        // one per outline point: on the picture's border
  // The petiole: the outline runs forward from petioleFrom (where the blade ends) round the
  // petiole to petioleTo (where the blade begins again); the straight line between these two
  // points cuts it off the blade. Absent for a leaf without a visible petiole.
  std::optional<int> petioleFrom, petioleTo;
  std::vector<ToothSpan> teeth;      // every tooth found on the blade, in order along the outline
  double pixelsPerMm = kDefaultDpi / 25.4;  // the scan's resolution
};

}  // namespace leafmargin
