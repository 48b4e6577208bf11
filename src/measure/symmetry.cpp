#include "measure/symmetry.h"

namespace leafmargin {

// Placeholder until the symmetry step lands: no values.
SymmetryLists measureSymmetries(const std::vector<cv::Point>&, const std::vector<int>&,
                                const std::vector<int>&, int, cv::Size, const RunOutput&) {
  return {};
}

}  // namespace leafmargin
