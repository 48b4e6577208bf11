#include "wholeleaf/tooth_merge.h"

#include <algorithm>
#include <cmath>

namespace leafmargin {

namespace {
constexpr double kMinMergeDistance = 5.0;  // pixels; copies closer than this always merge

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
  std::vector<std::vector<int>> windowsOf;  // the windows already counted for each merged tooth
  for (const WindowTooth& tooth : teeth) {
    int match = -1;
    double nearest = 0.0;
    for (std::size_t m = 0; m < merged.size(); ++m) {
      const auto& seen = windowsOf[m];
      if (std::find(seen.begin(), seen.end(), tooth.window) != seen.end()) continue;
      const double d = std::abs(merged[m].kept.position - tooth.position);
      if (sameTooth(merged[m].kept, tooth) && (match < 0 || d < nearest)) {
        match = static_cast<int>(m);
        nearest = d;
      }
    }
    if (match >= 0) {
      ++merged[match].windows;
      windowsOf[match].push_back(tooth.window);
    } else {
      merged.push_back({tooth, 1});
      windowsOf.push_back({tooth.window});
    }
  }
  std::sort(merged.begin(), merged.end(), [](const MergedTooth& a, const MergedTooth& b) {
    return a.kept.position < b.kept.position;
  });
  return merged;
}

}  // namespace leafmargin
