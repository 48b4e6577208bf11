// Filters mark, then compact: a pass receives one keep flag per candidate, all set, and only
// clears flags; the lists are then copied without the cleared entries, order unchanged.
#pragma once

#include <vector>

#include "margin/candidates.h"

namespace leafmargin {

struct KeepFlags {
  std::vector<bool> keepTooth;  // parallel to CandidateLists::dents
  std::vector<bool> keepSinus;  // parallel to CandidateLists::sinus
};

KeepFlags keepAll(const CandidateLists& lists);
// The entries whose flag is still set, in their order.
CandidateLists compact(const CandidateLists& lists, const KeepFlags& flags);

}  // namespace leafmargin
