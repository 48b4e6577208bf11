#include "wholeleaf/tooth_merge.h"

#include <algorithm>
#include <cmath>

namespace leafmargin {

namespace {
constexpr double kMinMergeDistance = 5.0;  // pixels; copies closer than this always merge
constexpr double kSameSinusShare = 0.25;   // of the tooth's width

bool sameTooth(const WindowTooth& a, const WindowTooth& b) {
  const double reach = std::max(kMinMergeDistance, 0.5 * std::min(a.width, b.width));
  return std::abs(a.position - b.position) <= reach;
}
}  // namespace

std::vector<MergedTooth> mergeTeeth(std::vector<WindowTooth> teeth) {
  std::stable_sort(teeth.begin(), teeth.end(), [](const WindowTooth& a, const WindowTooth& b) {
    return a.centrality > b.centrality;
  });
  std::vector<MergedTooth> merged;
  for (const WindowTooth& tooth : teeth) {
    MergedTooth* match = nullptr;
    double nearest = 0.0;
    for (MergedTooth& m : merged) {
      const auto& copies = m.copies;
      const bool windowSeen = std::any_of(copies.begin(), copies.end(), [&](const WindowTooth& c) {
        return c.window == tooth.window;
      });
      const double d = std::abs(m.kept().position - tooth.position);
      if (!windowSeen && sameTooth(m.kept(), tooth) && (!match || d < nearest)) {
        match = &m;
        nearest = d;
      }
    }
    if (match)
      match->copies.push_back(tooth);
    else
      merged.push_back({{tooth}});
  }
  std::sort(merged.begin(), merged.end(), [](const MergedTooth& a, const MergedTooth& b) {
    return a.kept().position < b.kept().position;
  });
  return merged;
}

std::vector<FoundTip> mergeFoundTips(std::vector<FoundTip> tips, double reach) {
  std::stable_sort(tips.begin(), tips.end(),
                   [](const FoundTip& a, const FoundTip& b) { return a.centrality > b.centrality; });
  std::vector<FoundTip> kept;
  for (const FoundTip& tip : tips) {
    const bool seen = std::any_of(kept.begin(), kept.end(), [&](const FoundTip& k) {
      return std::abs(k.position - tip.position) <= reach;
    });
    if (!seen) kept.push_back(tip);
  }
  std::sort(kept.begin(), kept.end(),
            [](const FoundTip& a, const FoundTip& b) { return a.position < b.position; });
  return kept;
}

std::vector<WindowTooth> copiesLikeKept(const MergedTooth& tooth) {
  const WindowTooth& kept = tooth.kept();
  const double reach = std::max(kMinMergeDistance, kSameSinusShare * kept.width);
  std::vector<WindowTooth> alike;
  for (const WindowTooth& copy : tooth.copies) {
    if (std::abs(copy.sinusBefore - kept.sinusBefore) <= reach &&
        std::abs(copy.sinusAfter - kept.sinusAfter) <= reach)
      alike.push_back(copy);
  }
  return alike;
}

}  // namespace leafmargin
