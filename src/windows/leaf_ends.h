// Base and apex of a leaf on its outline. The base is where the petiole joins the blade (the
// petiole being the longest thin stalk that a wide opening of the mask cuts off); a leaf without
// a visible petiole has its ends on its long axis, the blunter end being the base, moved into
// the notch there when the base is notched. The apex is the outline point farthest from the base.
#pragma once

#include <opencv2/core.hpp>

#include "windows/closed_outline.h"

namespace leafmargin {

struct LeafEnds {
  int base = 0;      // the blade begins here; positions along the leaf count from this point
  int bladeEnd = 0;  // the blade ends here; the stretch after it up to base is the petiole
  int apex = 0;
  bool petiole = false;
};

// mask: 255 on the leaf at working resolution; outline: its outer outline. stalkWidth: the
// widest stalk that counts as a petiole, in pixels.
LeafEnds findLeafEnds(const cv::Mat& mask, const ClosedOutline& outline, int stalkWidth);

// The angle, in degrees, at outline point i between the points reach before and after it along
// the outline: small at a pointed end, 180 on a straight stretch.
double angleAtPoint(const ClosedOutline& outline, int i, double reach);

}  // namespace leafmargin
