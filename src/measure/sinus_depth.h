// The deepest notch of the margin: for every pair of tips and every sinus between them, the
// distance from the sinus bottom to the chord joining the two tips, kept only when that
// distance runs over background (fewer than 4 of its pixels on the leaf). Chords between tips
// that are not neighbours count too, so a notch hidden behind a lobe is measured against a
// wider chord that clears the lobe.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/segment.h"
#include "measure/tooth_pairing.h"

namespace leafmargin {

struct DeepestSinus {
  double profondeurMax = 0.0;  // pixels; 0.0 when no depth qualifies
  Segment depth;               // sinus bottom to the foot on the chord; (-1,-1)-(-1,-1) if none
  Segment chord;               // between the two tips; (-1,-1)-(-1,-1) if none
};

// Every chord from a tip j that has a measured sinus after it to any later tip k, against the
// measured sinuses of ranks j .. k - 1 (those between the two tips, as far as the pairing
// goes). sinuses are the pairing's, in rank order from 0. The first of equal depths (smallest
// j, then k, then sinus) wins. foregroundMask: 8-bit, 255 on the leaf. A sinus is measured once
// per distinct chord line, so tips on one straight row cost a line per pair of tips rather than
// a depth per pair and sinus.
DeepestSinus findDeepestSinus(const std::vector<cv::Point>& leafOutline,
                              const std::vector<int>& dents,
                              const std::vector<MeasuredSinus>& sinuses,
                              const cv::Mat& foregroundMask);

// Draws the depth (magenta) and the chord (yellow), thickness 3, as they are, on drawing.
void drawDeepestSinus(const DeepestSinus& deepest, cv::Mat& drawing);

}  // namespace leafmargin
