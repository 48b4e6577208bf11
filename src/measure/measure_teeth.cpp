#include "measure/measure_teeth.h"

namespace leafmargin {

// Placeholder until the measurement stage lands: nothing measured.
MeasureTeethResult measureTeeth(const std::vector<cv::Point>&, const std::vector<int>&,
                                const std::vector<int>&, const cv::Mat&, const cv::Mat&, cv::Mat,
                                const RunOutput&) {
  return {};
}

}  // namespace leafmargin
