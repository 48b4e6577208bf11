#include "margin/margin_analysis.h"

namespace leafmargin {

// Placeholder until the margin analysis lands: no teeth.
MarginAnalysis analyseMargin(const std::vector<cv::Point>&, const std::vector<cv::Point>&,
                             cv::Mat, const RunOutput&) {
  return {};
}

}  // namespace leafmargin
