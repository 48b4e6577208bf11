// Left/right half comparison of every measured tooth: each half (sinus to tip, tip to sinus,
// closed through a foot on the base) is turned about the tip until the axis is vertical, the
// right half is mirrored, and the share of white pixels facing white gives a percentage.
// Pass 1 puts the foot at the base midpoint, pass 2 at the perpendicular foot from the tip.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "report/run_output.h"

namespace leafmargin {

struct SymmetryLists {
  std::vector<double> symetriesCentre;           // pass 1, one entry per measured tooth
  std::vector<double> symetriesPerpendiculaire;  // pass 2
};

// Visits the teeth t = 1 - f, 2 - f, ... while t < min(|sinus| - f, |dents|), with the sinuses
// s - 1 and s = t + f around tip dents[t]. imageSize is the size of the source picture. For
// the tooth t = 1 it prints the "enPlusAGauche" line of each pass and writes "gauche.jpg" and
// "droite.jpg".
SymmetryLists measureSymmetries(const std::vector<cv::Point>& leafOutline,
                                const std::vector<int>& dents, const std::vector<int>& sinus,
                                int startsWithSinus, cv::Size imageSize, const RunOutput& out);

}  // namespace leafmargin
