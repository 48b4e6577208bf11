// Left/right half comparison of every measured tooth: each half (sinus to tip, tip to sinus,
// closed through a foot on the base) is turned about the tip until the axis is vertical, the
// right half is mirrored, and the share of white pixels facing white gives a percentage.
// Pass 1 puts the foot at the base midpoint, pass 2 at the perpendicular foot from the tip.
// The halves are kept over the tooth's own window, with the counts of full-size masks.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/symmetry_masks.h"
#include "measure/tooth_pairing.h"
#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

// The two indices of one tooth, in percent (NaN for two empty halves).
struct ToothSymmetry {
  double centre = 0.0;         // pass 1
  double perpendicular = 0.0;  // pass 2
};

// The two halves of one tooth after turning (axis vertical) and mirroring of the right one.
struct AlignedHalves {
  WindowedMask gauche;  // sinus before the tip to the tip
  WindowedMask droite;  // tip to the sinus after it, mirrored left to right
};

// One comparison: the aligned halves, their counts and the percentage they give (NaN for two
// empty halves).
struct HalfComparison {
  AlignedHalves halves;
  int nbGauche = 0;
  int nbDroite = 0;
  int enPlusAGauche = 0;
  int enPlusADroite = 0;
  double symmetry = 0.0;
};

// The tooth with tip, sinus-before and sinus-after positions in leafOutline, in a picture of
// imageSize; pass 1 closes the halves at the base midpoint, pass 2 at the perpendicular foot.
// The halves are aligned on their top-most rows and left-most columns, and the white pixels
// that face a black one are counted, as the full-size scan of the picture would. Positions
// outside leafOutline give two empty halves.
HalfComparison symmetryIndex(const std::vector<cv::Point>& leafOutline, int tipIndex,
                             int sinusBeforeIndex, int sinusAfterIndex, int pass,
                             cv::Size imageSize);

struct SymmetryIndices {
  std::vector<ToothSymmetry> teeth;  // one per tooth measured, in order
  MaybeFailure failure;              // "gauche.jpg" or "droite.jpg" could not be written
};

// Both passes for every tooth, in order; imageSize is the size of the source picture. For the
// tooth of the second tip (rank 1) it prints the "enPlusAGauche" line of each pass and writes
// "gauche.jpg" and "droite.jpg" (pass 2's halves, full size); it stops at a file it cannot
// write.
SymmetryIndices measureSymmetries(const std::vector<cv::Point>& leafOutline,
                                  const std::vector<MeasuredTooth>& teeth, cv::Size imageSize,
                                  const RunOutput& out);

}  // namespace leafmargin
