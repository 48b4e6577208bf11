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
constexpr double kBluntApexDegrees = 70.0;       // an apex this open gets a window of its own
constexpr int kWindowsOverEachPoint = 3;
constexpr double kWindowInTeeth = 8.0;           // window length: this many tooth spacings
constexpr double kWindowExtra = 300.0;           // ... plus this (the ends the analysis drops)
constexpr double kShortestWindow = 800.0;
constexpr double kLongestWindow = 3000.0;
constexpr double kWindowWithoutTeeth = 1200.0;

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
    leaf.toothSpacing =
        typicalToothSpacing(leaf.outline, leaf.ends.base, leaf.ends.bladeEnd, leaf.leaf.mask.size());
    leaf.windowLength = windowLengthFor(leaf.toothSpacing);
    leaf.windows = layLeafWindows(leaf.outline, leaf.ends, leaf.windowLength, kWindowsOverEachPoint,
                                  kBluntApexDegrees);
    plan.leaves.push_back(std::move(leaf));
  }
  return plan;
}

}  // namespace leafmargin
