// Tooth measurement stage: widths, heights, ratios and angles of every tooth and sinus, the
// apical angle, the two symmetry indices and the deepest notch, in a fixed order with its
// trace. Writes "drawing77.jpg", "gauche.jpg", "droite.jpg" and "drawing4.jpg" (second time).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/measurement_record.h"
#include "report/run_output.h"

namespace leafmargin {

struct MeasureTeethResult {
  MeasurementRecord record;
  // True when the apical search met a window mean on column 0 ("bug !" was printed): the run
  // stops there without a report.
  bool aborted = false;
};

MeasureTeethResult measureTeeth(const std::vector<cv::Point>& leafOutline,
                                const std::vector<int>& dents, const std::vector<int>& sinus,
                                const cv::Mat& sourceImage, const cv::Mat& foregroundMask,
                                cv::Mat outlineDrawing, const RunOutput& out);

}  // namespace leafmargin
