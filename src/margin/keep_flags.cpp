#include "margin/keep_flags.h"

namespace leafmargin {

namespace {
std::vector<int> keptEntries(const std::vector<int>& entries, const std::vector<bool>& keep) {
  std::vector<int> kept;
  for (size_t k = 0; k < entries.size(); ++k)
    if (keep[k]) kept.push_back(entries[k]);
  return kept;
}
}  // namespace

KeepFlags keepAll(const CandidateLists& lists) {
  return {std::vector<bool>(lists.dents.size(), true),
          std::vector<bool>(lists.sinus.size(), true)};
}

CandidateLists compact(const CandidateLists& lists, const KeepFlags& flags) {
  return {keptEntries(lists.dents, flags.keepTooth), keptEntries(lists.sinus, flags.keepSinus)};
}

}  // namespace leafmargin
