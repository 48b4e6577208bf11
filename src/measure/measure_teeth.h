// Tooth measurement stage: widths, heights, ratios and angles of every tooth and sinus, the
// apical angle, the two symmetry indices and the deepest notch, in a fixed order with its
// trace. Writes "drawing77.jpg", "gauche.jpg", "droite.jpg" and "drawing4.jpg" (second time).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/measurement_record.h"
#include "measure/sinus_depth.h"
#include "measure/tooth_pairing.h"
#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

struct MeasureTeethResult {
  MeasurementRecord record;
  std::vector<MeasuredTooth> teeth;  // where each tooth of record.teeth lies (the pairing's)
  DeepestSinus deepest;
  // Set when the apical search met a window mean on column 0 (the status kExitFailure and the
  // message "bug !") or when one of the stage's images could not be written: the run stops
  // there without a report.
  MaybeFailure failure;
};

// Prints "yyyy", "pp", then "i=" once per pair of neighbouring tips i and i + 1, with the
// traces of each measurement: the teeth and sinuses of pairTeethAndSinuses, the tooth of a
// margin that starts with a sinus before the first step, then in step i the sinus between the
// two tips before the tooth of tip i + 1. Writes "drawing77.jpg" when at least one apical angle
// was found (also when the apical search aborts the run), then draws the deepest notch on
// outlineDrawing and writes it as "drawing4.jpg"; it stops at an image it cannot write.
// Positions in dents and sinus must be indices into leafOutline; missing entries only shorten
// the lists.
MeasureTeethResult measureTeeth(const std::vector<cv::Point>& leafOutline,
                                const std::vector<int>& dents, const std::vector<int>& sinus,
                                const cv::Mat& sourceImage, const cv::Mat& foregroundMask,
                                cv::Mat& outlineDrawing, const RunOutput& out);

}  // namespace leafmargin
