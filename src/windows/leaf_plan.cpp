#include "windows/leaf_plan.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "resources/memory_guard.h"
#include "windows/window_crop.h"

namespace leafmargin {

namespace {

constexpr double kWorkingPixelsPerMm = kWorkingDpi / 25.4;
constexpr double kWidestStalkMm = 3.0;           // a petiole is narrower than this
constexpr double kBluntApexDegrees = 70.0;       // an apex at least this open may get a window
constexpr int kWindowsOverEachPoint = 3;
constexpr double kWindowInTeeth = 8.0;           // window length: this many tooth spacings
constexpr double kWindowExtra = 300.0;           // ... plus this (the ends the analysis drops)
constexpr double kShortestWindow = 800.0;
constexpr double kLongestWindow = 3000.0;
constexpr double kWindowWithoutTeeth = 1200.0;
constexpr double kSpacingPiece = 2000.0;         // outline of each piece the spacing is taken on
constexpr double kShorteningFactor = 0.6;        // a window that turns back gives way to shorter ones

// A window may be centred on the apex only where the apex is blunt enough for a crop and is
// itself a tooth among teeth, as the margin analysis sees the stretch of that window; elsewhere
// the window would measure the apex as one big tooth.
bool apexIsAToothAmongTeeth(const LeafPlan& leaf) {
  const ClosedOutline& outline = leaf.outline();
  const double half = leaf.windowLength / 2;
  const double apexAt = leaf.position(leaf.ends.apex);
  if (leaf.toothSpacing <= 0.0 || apexAt < half || leaf.bladeLength() - apexAt < half ||
      angleAtPoint(outline, leaf.ends.apex, half) < kBluntApexDegrees)
    return false;
  const int first = outline.advance(leaf.ends.apex, outline.length - half);
  const int last = outline.advance(leaf.ends.apex, half);
  const std::vector<double> tips = toothTipPositions(outline, first, last);
  return isToothAmongTeeth(tips, outline.forwardDistance(first, leaf.ends.apex), leaf.toothSpacing);
}

// The median gap between successive tips that the margin analysis finds on pieces of the blade's
// measurable outline, each turned as a crop would be; 0 when fewer than three gaps were seen.
double toothSpacingAlong(const ClosedOutline& outline, const LeafEnds& ends,
                         const std::vector<bool>& onBorder) {
  std::vector<double> gaps;
  for (const auto& [from, to] : measurableRuns(outline, ends, onBorder)) {
    const double span = from == to ? outline.length : outline.forwardDistance(from, to);
    for (double start = 0.0; start < span; start += kSpacingPiece / 2) {
      const int first = outline.advance(from, start);
      const int last = start + kSpacingPiece >= span ? (from == to ? outline.wrap(from - 1) : to)
                                                     : outline.advance(from, start + kSpacingPiece);
      const std::vector<double> tips = toothTipPositions(outline, first, last);
      for (std::size_t k = 1; k < tips.size(); ++k) gaps.push_back(tips[k] - tips[k - 1]);
      if (start + kSpacingPiece >= span) break;
    }
  }
  if (gaps.size() < 3) return 0.0;
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  return gaps[gaps.size() / 2];
}

// A window whose stretch turns back (into a deep notch, round a lobe) cannot become a crop: it is
// replaced by shorter windows over its stretch, each point in two of them, down to the shortest
// window length; those that still turn back stay, and are rejected.
std::vector<OutlineWindow> shortenTurningWindows(const ClosedOutline& outline,
                                                 const std::vector<OutlineWindow>& windows,
                                                 double length) {
  std::vector<OutlineWindow> result;
  for (const OutlineWindow& w : windows) {
    const double shorter = kShorteningFactor * length;
    if (shorter < kShortestWindow || !turnsBack(outlineStretch(outline, w.first, w.count))) {
      result.push_back(w);
      continue;
    }
    const std::vector<OutlineWindow> pieces =
        shortenTurningWindows(outline, layWindows(outline, w.first, w.last(outline), shorter, 2), shorter);
    result.insert(result.end(), pieces.begin(), pieces.end());
  }
  return result;
}

// Base, blade end and apex found on the mask's own outline, carried to the working outline.
LeafEnds endsOnWorkingOutline(const LeafMask& mask, const WorkingOutline& working) {
  const ClosedOutline maskOutline = outerOutline(mask.mask);
  const int stalk = std::max(1, static_cast<int>(std::lround(kWidestStalkMm * kWorkingPixelsPerMm /
                                                             working.scale * mask.scale)));
  const LeafEnds onMask = findLeafEnds(mask.mask, maskOutline, stalk);
  auto carry = [&](int i) {
    return nearestPoint(working.outline, working.fromScan(mask.toScan(maskOutline.points[i])));
  };
  LeafEnds ends;
  ends.petiole = onMask.petiole;
  ends.base = carry(onMask.base);
  ends.bladeEnd = onMask.petiole ? carry(onMask.bladeEnd) : ends.base;
  ends.apex = carry(onMask.apex);
  return ends;
}

}  // namespace

double LeafPlan::bladeLength() const {
  const ClosedOutline& o = working.outline;
  return ends.base == ends.bladeEnd ? o.length : o.forwardDistance(ends.base, ends.bladeEnd);
}

bool LeafPlan::onBlade(int i) const {
  if (ends.base == ends.bladeEnd) return true;
  return working.outline.forwardDistance(ends.base, i) <= bladeLength();
}

double LeafPlan::borderLength() const {
  const ClosedOutline& o = working.outline;
  double length = 0.0;
  for (int i = 0; i < o.size(); ++i) {
    const int next = o.wrap(i + 1);
    if (working.onBorder[i] && working.onBorder[next] && onBlade(i) && onBlade(next))
      length += o.forwardDistance(i, next);
  }
  return length;
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

int nearestPoint(const ClosedOutline& outline, cv::Point2d point) {
  return outline.size() == 0 ? 0 : nearestPointOfWindow(outline, {0, outline.size()}, point);
}

LeafPlan planLeaf(const cv::Mat& scan, const FoundLeaves& found, std::size_t index,
                  const PlanSettings& settings) {
  LeafPlan leaf;
  leaf.mask = segmentLeafMask(scan, found, index, settings.pixelsPerMm, settings.grabCut);
  leaf.smooth = smoothOutline(leaf.mask, scan.size());
  leaf.working = toWorkingResolution(leaf.smooth, kWorkingPixelsPerMm / settings.pixelsPerMm);
  if (leaf.working.outline.size() < 3) return leaf;
  leaf.ends = endsOnWorkingOutline(leaf.mask, leaf.working);
  leaf.toothSpacing = toothSpacingAlong(leaf.outline(), leaf.ends, leaf.working.onBorder);
  leaf.windowLength = windowLengthFor(leaf.toothSpacing);
  leaf.windowOnApex = apexIsAToothAmongTeeth(leaf);
  leaf.windows = shortenTurningWindows(
      leaf.outline(),
      layLeafWindows(leaf.outline(), leaf.ends, leaf.working.onBorder, leaf.windowLength,
                     kWindowsOverEachPoint, leaf.windowOnApex),
      leaf.windowLength);
  return leaf;
}

ScanPlan planWholeLeafScan(const cv::Mat& scan, const PlanSettings& settings) {
  ScanPlan plan;
  plan.found = findLeaves(scan, settings.pixelsPerMm, settings.leafIsBright);
  // The leaves are segmented one after the other: the largest must fit alone.
  const double scale = std::min(1.0, kFinestSegmentedPixelsPerMm / settings.pixelsPerMm);
  for (const FoundRegion& leaf : plan.found.leaves) {
    const cv::Size box(static_cast<int>((leaf.box.width + 2 * kLeafBoxMargin) * scale),
                       static_cast<int>((leaf.box.height + 2 * kLeafBoxMargin) * scale));
    const std::string shortage = memoryShortageMessage(
        box, estimatedRunBytes(box, settings.grabCut.engine), availableMemoryBytes());
    if (!shortage.empty()) {
      plan.failure = Failure{kExitOutOfMemory, shortage};
      return plan;
    }
  }
  for (std::size_t k = 0; k < plan.found.leaves.size(); ++k) {
    LeafPlan leaf = planLeaf(scan, plan.found, k, settings);
    if (leaf.working.outline.size() >= 3) plan.leaves.push_back(std::move(leaf));
  }
  return plan;
}

}  // namespace leafmargin
