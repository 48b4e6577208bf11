#include "wholeleaf/leaf_plan.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

namespace {

constexpr double kPixelsPerMm = kWorkingDpi / 25.4;
constexpr double kMinLeafArea = 200000.0;        // working pixels; a crop's leaf needs 100000
constexpr double kWidestLineMm = 0.3;            // lines that do not join a leaf to the border
constexpr double kWidestStalkMm = 3.0;           // a petiole is narrower than this
constexpr double kBluntApexDegrees = 70.0;       // an apex at least this open may get a window
constexpr int kWindowsOverEachPoint = 3;
constexpr double kWindowInTeeth = 8.0;           // window length: this many tooth spacings
constexpr double kWindowExtra = 300.0;           // ... plus this (the ends the analysis drops)
constexpr double kShortestWindow = 800.0;
constexpr double kLongestWindow = 3000.0;
constexpr double kWindowWithoutTeeth = 1200.0;

// A window may be centred on the apex only where the apex is blunt enough for a crop and is
// itself a tooth among teeth, as the margin analysis sees the stretch of that window; elsewhere
// the window would measure the apex as one big tooth.
bool apexIsAToothAmongTeeth(const LeafPlan& leaf) {
  const ClosedOutline& outline = leaf.outline;
  const double half = leaf.windowLength / 2;
  const double apexAt = leaf.position(leaf.ends.apex);
  if (leaf.toothSpacing <= 0.0 || apexAt < half || leaf.bladeLength() - apexAt < half ||
      angleAtPoint(outline, leaf.ends.apex, half) < kBluntApexDegrees)
    return false;
  const int first = outline.advance(leaf.ends.apex, outline.length - half);
  const int last = outline.advance(leaf.ends.apex, half);
  const std::vector<double> tips = toothTipPositions(outline, first, last, leaf.leaf.mask.size());
  return isToothAmongTeeth(tips, outline.forwardDistance(first, leaf.ends.apex), leaf.toothSpacing);
}

}  // namespace

double LeafPlan::bladeLength() const {
  return ends.base == ends.bladeEnd ? outline.length : outline.forwardDistance(ends.base, ends.bladeEnd);
}

double windowLengthFor(double toothSpacing) {
  if (toothSpacing <= 0.0) return kWindowWithoutTeeth;
  return std::clamp(kWindowInTeeth * toothSpacing + kWindowExtra, kShortestWindow, kLongestWindow);
}

int nearestPointOfWindow(const ClosedOutline& outline, const OutlineWindow& window, cv::Point2d point) {
  int best = window.first;
  double bestDistance = 1e300;
  for (int k = 0; k < window.count; ++k) {
    const int i = outline.wrap(window.first + k);
    const double d = cv::norm(cv::Point2d(outline.points[i]) - point);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

ScanPlan planWholeLeafScan(const cv::Mat& scan, std::optional<bool> leafIsBright, double scale) {
  ScanPlan plan;
  cv::Mat gray;
  cv::cvtColor(scan, gray, cv::COLOR_BGR2GRAY);
  plan.leafClass = chooseLeafClass(gray, leafIsBright);
  const int lineWidth = std::max(1, static_cast<int>(std::lround(kWidestLineMm * kPixelsPerMm / scale)));
  LeafRegions regions =
      findLeafRegions(leafClassMask(gray, plan.leafClass), kMinLeafArea / (scale * scale), lineWidth);
  plan.leavesOnBorder = regions.onBorder;
  for (const LeafRegion& region : regions.leaves) {
    LeafPlan leaf;
    leaf.leaf = bringToWorkingResolution(scan, region, plan.leafClass, scale);
    leaf.outline = outerOutline(leaf.leaf.mask);
    if (leaf.outline.size() < 3) continue;
    leaf.ends = findLeafEnds(leaf.leaf.mask, leaf.outline,
                             static_cast<int>(std::lround(kWidestStalkMm * kPixelsPerMm)));
    const std::vector<double> tips =
        toothTipPositions(leaf.outline, leaf.ends.base, leaf.ends.bladeEnd, leaf.leaf.mask.size());
    leaf.toothSpacing = typicalToothSpacing(tips);
    leaf.windowLength = windowLengthFor(leaf.toothSpacing);
    leaf.windowOnApex = apexIsAToothAmongTeeth(leaf);
    leaf.windows = layLeafWindows(leaf.outline, leaf.ends, leaf.windowLength, kWindowsOverEachPoint,
                                  leaf.windowOnApex);
    plan.leaves.push_back(std::move(leaf));
  }
  return plan;
}

}  // namespace leafmargin
