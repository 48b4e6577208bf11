// Margin analysis: from the dense leaf outline and its smoothed companion to the final tooth tips
// (dents) and sinus bottoms (sinus), as ascending positions in leafOutline. Prints the candidate
// and filter traces and the three result lines, marks the tips and sinuses on outlineDrawing and
// writes "drawing4.jpg" (the failure is set when it cannot). An outline too short to cross its
// smooth outline twice (62 points or fewer) or that never does gives no candidates and ends with no
// teeth.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

struct MarginAnalysis {
  std::vector<int> dents;
  std::vector<int> sinus;
  bool commenceParSinus = false;  // the outline begins with a sinus (decides the wide-tooth pass)
  MaybeFailure failure;           // "drawing4.jpg" could not be written
};

MarginAnalysis analyseMargin(const std::vector<cv::Point>& leafOutline,
                             const std::vector<cv::Point>& smoothOutline, cv::Mat& outlineDrawing,
                             const RunOutput& out);

}  // namespace leafmargin
