// Tooth measurement stage: widths, heights, ratios and angles of every tooth and sinus, the
// apical angle, the two symmetry indices and the deepest notch, in a fixed order with its
// trace. Writes "drawing77.jpg", "gauche.jpg", "droite.jpg" and "drawing4.jpg" (second time).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/measurement_record.h"
#include "measure/sinus_depth.h"
#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

// Where one measured tooth lies: its tip and the sinuses before and after it, as positions in
// leafOutline. Entry r belongs to row r + 1 of results.csv.
struct MeasuredTooth {
  int tip = -1;
  int sinusBefore = -1;
  int sinusAfter = -1;
};

struct MeasureTeethResult {
  MeasurementRecord record;
  std::vector<MeasuredTooth> teeth;  // one per entry of record.largeursDents
  DeepestSinus deepest;
  // Set when the apical search met a window mean on column 0: the run stops there without a
  // report, with the status kExitFailure and the message "bug !".
  MaybeFailure failure;
};

// Prints "yyyy", "pp", then "i=" once per step of the tooth loop with the traces of each
// measurement. With f = 1 when the margin starts with a sinus (startsWithSinus), else 0,
// measures the tips t with 1 - f <= t < min(|sinus| - f, |dents|) as teeth (tip dents[t]
// between sinus[t + f - 1] and sinus[t + f]) and, for i < min(|dents| - 1, |sinus| - f), the
// sinus sinus[i + f] between tips i and i + 1; within one step the sinus comes before the
// tooth. Writes "drawing77.jpg" when at least one apical angle was found (also when the apical
// search aborts the run), then draws the deepest notch on outlineDrawing and writes it as
// "drawing4.jpg". Positions in dents and sinus must be indices into leafOutline; missing
// entries only shorten the lists.
MeasureTeethResult measureTeeth(const std::vector<cv::Point>& leafOutline,
                                const std::vector<int>& dents, const std::vector<int>& sinus,
                                const cv::Mat& sourceImage, const cv::Mat& foregroundMask,
                                cv::Mat& outlineDrawing, const RunOutput& out);

}  // namespace leafmargin
