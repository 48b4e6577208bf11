#include "wholeleaf/scan_analysis.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <mutex>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "analysis/picture_analysis.h"
#include "physiognomy/leaf_polygons.h"
#include "report/results_csv.h"
#include "resources/memory_budget.h"
#include "resources/memory_guard.h"
#include "resources/parallel_blocks.h"
#include "resources/work_queue.h"
#include "run/atomic_file.h"
#include "run/file_path.h"
#include "run/output_file.h"
#include "wholeleaf/tooth_merge.h"
#include "windows/window_crop.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";
constexpr double kWorkingMmPerPixel = 25.4 / kWorkingDpi;
constexpr std::uint64_t kCropBytesPerPixel = 40;  // the crop, its mask, drawings and contours
constexpr double kCoreOfWindow = 0.25;   // a found tip counts this share of a window from its ends
constexpr double kTipReachOfSpacing = 0.4;  // tips closer than this many spacings are one
constexpr double kClosestTipsMm = 1.0;   // two reported tips are never closer than this

// What one window gave.
struct WindowResult {
  bool measured = false;
  std::string reason;
  MeasurementRecord record;
  std::vector<WindowTooth> teeth;  // measured teeth, placed on the leaf
  std::vector<FoundTip> tips;      // every tip found, placed on the leaf
  std::vector<FoundTip> sinuses;   // every sinus found, placed on the leaf
  std::string keepError;
};

std::string windowFolderName(int leaf, int window) {
  std::ostringstream name;
  name << "leaf" << leaf << "_window" << std::setw(2) << std::setfill('0') << window;
  return name.str();
}

// A kept window shows the scan's own pixels: the crop's picture becomes the scan seen through the
// crop (the analysis draws on it; what it measures comes from the foreground alone), written as
// crop.png beside the foreground, mask.png. Returns the message of a file that could not be
// written, if any.
std::string keepCrop(const cv::Mat& scan, const LeafPlan& leaf, WindowCrop& crop,
                     const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return notWrittenFailure(folder, "crop.png", ec.message()).message;
  const double s = leaf.working.scale;
  const cv::Matx23d scanToWorking(s, 0, -s * leaf.working.origin.x, 0, s, -s * leaf.working.origin.y);
  crop.picture = cropOfScan(scan, crop, scanToWorking);
  for (const auto& [name, image] : {std::pair{"crop.png", crop.picture}, std::pair{"mask.png", crop.foreground}}) {
    if (const MaybeFailure unwritten = writePictureAtomically(folder, name, image)) return unwritten->message;
  }
  return "";
}

// The crop of one window analysed as a picture of its own; its tips and teeth placed on the leaf.
WindowResult analyseWindow(const cv::Mat& scan, const LeafPlan& leaf, int windowIndex,
                           const std::string& keepFolder, MemoryBudget& budget) {
  WindowResult result;
  const ClosedOutline& outline = leaf.outline();
  const OutlineWindow& window = leaf.windows[windowIndex];
  WindowCrop crop = cutWindowCrop(outlineStretch(outline, window.first, window.count));
  if (!crop.rejection.empty()) {
    result.reason = crop.rejection;
    return result;
  }
  BudgetShare share(budget, estimatedBytes(crop.picture.size(), kCropBytesPerPixel));
  if (!share.held()) {
    result.reason = "not enough memory";
    return result;
  }
  std::ostringstream trace;
  const RunOutput out{trace, keepFolder, !keepFolder.empty()};
  if (!keepFolder.empty()) result.keepError = keepCrop(scan, leaf, crop, keepFolder);
  const PictureAnalysis analysis = analyseForeground(crop.picture, crop.foreground, out);
  if (analysis.failure && analysis.failure->status == kExitNotWritten && result.keepError.empty())
    result.keepError = analysis.failure->message;  // one of the kept diagnostic images
  if (!keepFolder.empty() && result.keepError.empty()) {
    if (const MaybeFailure unwritten = writeFileAtomically(keepFolder, "trace.txt", trace.str()))
      result.keepError = unwritten->message;
  }
  if (analysis.failure) {
    result.reason = analysis.leafOutline.empty() ? "the analysis found no leaf outline"
                                                 : "the analysis stopped: " + analysis.failure->message;
    return result;
  }
  result.measured = true;
  result.record = analysis.measured.record;
  const int last = window.last(outline);
  auto onLeaf = [&](int i) {
    return nearestPointOfWindow(outline, window, crop.transform.workingPoint(analysis.leafOutline[i]));
  };
  auto centrality = [&](int at) {
    return std::min(outline.forwardDistance(window.first, at), outline.forwardDistance(at, last));
  };
  for (const auto& [found, into] : {std::pair{&analysis.margin.dents, &result.tips},
                                    std::pair{&analysis.margin.sinus, &result.sinuses}}) {
    for (int i : *found) {
      const int at = onLeaf(i);
      into->push_back({leaf.position(at), centrality(at),
                       leaf.working.toScan(cv::Point2d(outline.points[at]))});
    }
  }
  for (std::size_t row = 0; row < analysis.measured.teeth.size(); ++row) {
    const MeasuredTooth& measured = analysis.measured.teeth[row];
    const int at = onLeaf(measured.tip);
    auto positionOf = [&](int i) { return i < 0 ? leaf.position(at) : leaf.position(onLeaf(i)); };
    WindowTooth tooth;
    tooth.window = windowIndex;
    tooth.position = leaf.position(at);
    tooth.centrality = centrality(at);
    tooth.width = result.record.teeth[row].largeurDent;
    tooth.sinusBefore = positionOf(measured.sinusBefore);
    tooth.sinusAfter = positionOf(measured.sinusAfter);
    tooth.tip = leaf.working.toScan(cv::Point2d(outline.points[at]));
    tooth.row = static_cast<int>(row);
    result.teeth.push_back(tooth);
  }
  return result;
}

struct Job {
  int leaf;
  int window;
};

// Every window of every leaf, on as many threads as asked; results in plan order.
std::vector<std::vector<WindowResult>> analyseAllWindows(const cv::Mat& scan, const ScanPlan& plan,
                                                         const WholeLeafSettings& settings,
                                                         std::ostream& progress) {
  std::vector<Job> jobs;
  std::vector<std::vector<WindowResult>> results(plan.leaves.size());
  for (std::size_t l = 0; l < plan.leaves.size(); ++l) {
    results[l].resize(plan.leaves[l].windows.size());
    for (std::size_t w = 0; w < plan.leaves[l].windows.size(); ++w)
      jobs.push_back({static_cast<int>(l), static_cast<int>(w)});
  }
  MemoryBudget budget(availableMemoryBytes());
  std::size_t done = 0;
  std::mutex progressMutex;
  const unsigned workers = settings.threads ? settings.threads : static_cast<unsigned>(availableCores());
  runWorkQueue(jobs.size(), workers, [&](std::size_t j) {
    const Job& job = jobs[j];
    const std::string keep = settings.keepCropsDir.empty()
                                 ? ""
                                 : joinPath(settings.keepCropsDir, windowFolderName(job.leaf + 1, job.window + 1));
    WindowResult& result = results[job.leaf][job.window];
    result = analyseWindow(scan, plan.leaves[job.leaf], job.window, keep, budget);
    std::lock_guard<std::mutex> lock(progressMutex);
    progress << kProgram << ": window " << ++done << " of " << jobs.size() << " (leaf "
             << job.leaf + 1 << ", window " << job.window + 1 << "): "
             << (result.measured ? "measured, " + std::to_string(result.teeth.size()) + " teeth"
                                 : "rejected, " + result.reason)
             << std::endl;
  });
  return results;
}

// Share of the leaf's blade outline that lies in measured windows.
double coveredShare(const LeafPlan& leaf, const std::vector<WindowResult>& results) {
  const ClosedOutline& outline = leaf.outline();
  std::vector<char> in(outline.size(), 0);
  for (std::size_t w = 0; w < leaf.windows.size(); ++w) {
    if (!results[w].measured) continue;
    for (int k = 0; k < leaf.windows[w].count; ++k) in[outline.wrap(leaf.windows[w].first + k)] = 1;
  }
  double covered = 0.0, total = 0.0;
  for (int i = 0; i < outline.size(); ++i) {
    if (!leaf.onBlade(i)) continue;
    covered += in[i];
    total += 1.0;
  }
  return total > 0.0 ? covered / total : 0.0;
}

// Each tooth found but not measured begins and ends at the nearest sinuses found on either side
// of its tip, never beyond the tips of its neighbours.
void boundBySinuses(std::vector<WholeLeafTooth>& teeth, const std::vector<FoundTip>& sinuses) {
  for (std::size_t k = 0; k < teeth.size(); ++k) {
    WholeLeafTooth& t = teeth[k];
    if (t.windows > 0) continue;
    const double tip = t.positionMm / kWorkingMmPerPixel;
    const double low = k > 0 ? teeth[k - 1].positionMm / kWorkingMmPerPixel : -1e300;
    const double high = k + 1 < teeth.size() ? teeth[k + 1].positionMm / kWorkingMmPerPixel : 1e300;
    for (const FoundTip& s : sinuses) {
      if (s.position < tip && s.position > low &&
          (std::isnan(t.sinusBeforeMm) || s.position * kWorkingMmPerPixel > t.sinusBeforeMm))
        t.sinusBeforeMm = s.position * kWorkingMmPerPixel;
      if (s.position > tip && s.position < high &&
          (std::isnan(t.sinusAfterMm) || s.position * kWorkingMmPerPixel < t.sinusAfterMm))
        t.sinusAfterMm = s.position * kWorkingMmPerPixel;
    }
  }
}

// The teeth of one leaf: every measured tooth (its copies merged, its measures the median of
// the copies measured between the same sinuses) and every other tip found well inside a window,
// none closer than kClosestTipsMm to another.
std::vector<WholeLeafTooth> leafTeeth(const LeafPlan& leaf, const std::vector<WindowResult>& results,
                                      int number, double scanMmPerPixel) {
  std::vector<WindowTooth> copies;
  std::vector<FoundTip> found, sinuses;
  for (std::size_t w = 0; w < results.size(); ++w) {
    copies.insert(copies.end(), results[w].teeth.begin(), results[w].teeth.end());
    const double core = kCoreOfWindow * leaf.outline().forwardDistance(
                                            leaf.windows[w].first, leaf.windows[w].last(leaf.outline()));
    for (const FoundTip& tip : results[w].tips)
      if (tip.centrality >= core) found.push_back(tip);
    for (const FoundTip& sinus : results[w].sinuses)
      if (sinus.centrality >= core) sinuses.push_back(sinus);
  }
  const double spacing = leaf.toothSpacing > 0.0 ? leaf.toothSpacing : leaf.windowLength / 8;
  std::vector<WholeLeafTooth> teeth;
  for (const MergedTooth& merged : mergeTeeth(copies)) {
    std::vector<std::array<double, kMeasureCount>> rows;
    for (const WindowTooth& copy : copiesLikeKept(merged))
      rows.push_back(measuresOfRow(results[copy.window].record, copy.row, kWorkingMmPerPixel));
    const WindowTooth& kept = merged.kept();
    teeth.push_back({number, kept.position * kWorkingMmPerPixel, kept.tip,
                     static_cast<int>(merged.copies.size()), medianMeasures(rows),
                     kept.sinusBefore * kWorkingMmPerPixel, kept.sinusAfter * kWorkingMmPerPixel});
  }
  const double reach = kTipReachOfSpacing * spacing;
  for (const FoundTip& tip : mergeFoundTips(found, reach)) {
    const bool measured = std::any_of(teeth.begin(), teeth.end(), [&](const WholeLeafTooth& t) {
      return t.windows > 0 && std::abs(t.positionMm / kWorkingMmPerPixel - tip.position) <= reach;
    });
    if (measured) continue;
    WholeLeafTooth tooth{number, tip.position * kWorkingMmPerPixel, tip.tip, 0, {}};
    tooth.measures.fill(std::numeric_limits<double>::quiet_NaN());
    teeth.push_back(tooth);
  }
  // Two tips closer than kClosestTipsMm are one tooth: the one measured by more windows stays.
  std::stable_sort(teeth.begin(), teeth.end(), [](const WholeLeafTooth& a, const WholeLeafTooth& b) {
    return a.windows > b.windows;
  });
  std::vector<WholeLeafTooth> kept;
  for (const WholeLeafTooth& t : teeth) {
    const bool close = std::any_of(kept.begin(), kept.end(), [&](const WholeLeafTooth& k) {
      return cv::norm(k.tip - t.tip) * scanMmPerPixel < kClosestTipsMm;
    });
    if (!close) kept.push_back(t);
  }
  std::sort(kept.begin(), kept.end(), [](const WholeLeafTooth& a, const WholeLeafTooth& b) {
    return a.positionMm < b.positionMm;
  });
  boundBySinuses(kept, mergeFoundTips(sinuses, reach));
  return kept;
}

// The leaf as the physiognomy measures read it: its smooth outline at the scan's resolution, the
// petiole's cut and every tooth from sinus to sinus, placed on that outline. A sinus nobody found
// (or found farther than a tooth spacing from the tip) is taken half a spacing from the tip, never
// beyond half way to the next tip; spans never overlap.
LeafShape shapeOf(const LeafPlan& leaf, const std::vector<WholeLeafTooth>& teeth, double pixelsPerMm) {
  LeafShape shape;
  shape.outline = leaf.smooth.points;
  shape.onBorder = leaf.smooth.onBorder;
  shape.pixelsPerMm = pixelsPerMm;
  const ClosedOutline& outline = leaf.outline();
  auto nearest = [&](cv::Point2d scanPoint) {
    int best = 0;
    double bestDistance = 1e300;
    for (std::size_t i = 0; i < shape.outline.size(); ++i) {
      const double d = cv::norm(shape.outline[i] - scanPoint);
      if (d < bestDistance) {
        bestDistance = d;
        best = static_cast<int>(i);
      }
    }
    return best;
  };
  auto at = [&](double mm) {
    const int i = outline.advance(leaf.ends.base, std::max(0.0, mm) / kWorkingMmPerPixel);
    return nearest(leaf.working.toScan(cv::Point2d(outline.points[i])));
  };
  if (leaf.ends.petiole) {
    shape.petioleFrom = nearest(leaf.working.toScan(cv::Point2d(outline.points[leaf.ends.bladeEnd])));
    shape.petioleTo = nearest(leaf.working.toScan(cv::Point2d(outline.points[leaf.ends.base])));
  }
  const double blade = leaf.bladeLength() * kWorkingMmPerPixel;
  const double spacing =
      (leaf.toothSpacing > 0.0 ? leaf.toothSpacing : leaf.windowLength / 8) * kWorkingMmPerPixel;
  double previousEnd = 0.0;
  for (std::size_t k = 0; k < teeth.size(); ++k) {
    const WholeLeafTooth& t = teeth[k];
    const double lastTip = k > 0 ? teeth[k - 1].positionMm : t.positionMm - spacing;
    const double nextTip = k + 1 < teeth.size() ? teeth[k + 1].positionMm : t.positionMm + spacing;
    const bool knownBefore = !std::isnan(t.sinusBeforeMm) && t.positionMm - t.sinusBeforeMm <= spacing;
    const bool knownAfter = !std::isnan(t.sinusAfterMm) && t.sinusAfterMm - t.positionMm <= spacing;
    // A sinus found lies between the tips; one taken stays within half way to the next tip.
    const double before =
        knownBefore ? std::clamp(t.sinusBeforeMm, std::max({previousEnd, lastTip, 0.0}), t.positionMm)
                    : std::clamp(t.positionMm - 0.5 * spacing,
                                 std::max({previousEnd, 0.5 * (lastTip + t.positionMm), 0.0}), t.positionMm);
    const double after =
        knownAfter ? std::clamp(t.sinusAfterMm, t.positionMm, std::min(nextTip, blade))
                   : std::clamp(t.positionMm + 0.5 * spacing, t.positionMm,
                                std::min(0.5 * (t.positionMm + nextTip), blade));
    previousEnd = after;
    shape.teeth.push_back({at(before), nearest(t.tip), at(after)});
  }
  return shape;
}

OverviewLeaf overviewOf(const LeafPlan& leaf, const std::vector<WindowResult>& results, int number,
                        const std::vector<WholeLeafTooth>& teeth) {
  OverviewLeaf view;
  view.number = number;
  const ClosedOutline& outline = leaf.outline();
  for (std::size_t w = 0; w < leaf.windows.size(); ++w) {
    OverviewStretch stretch{{}, results[w].measured};
    const OutlineWindow& window = leaf.windows[w];
    for (int k = 0; k < window.count; ++k)
      stretch.points.push_back(leaf.working.toScan(cv::Point2d(outline.points[outline.wrap(window.first + k)])));
    view.stretches.push_back(std::move(stretch));
  }
  std::vector<cv::Point2d> border;
  for (std::size_t i = 0; i < leaf.smooth.size(); ++i) {
    if (leaf.smooth.onBorder[i]) {
      border.push_back(leaf.smooth.points[i]);
    } else if (!border.empty()) {
      view.border.push_back(std::move(border));
      border.clear();
    }
  }
  if (!border.empty()) view.border.push_back(std::move(border));
  for (const WholeLeafTooth& t : teeth) view.tips.push_back({t.tip, t.windows > 0});
  cv::Point2d sum(0, 0);
  for (const cv::Point2d& p : leaf.smooth.points) sum += p;
  view.centre = leaf.smooth.points.empty() ? sum : sum / static_cast<double>(leaf.smooth.size());
  return view;
}

}  // namespace

int WholeLeafAnalysis::measuredWindows() const {
  return static_cast<int>(std::count_if(windows.begin(), windows.end(),
                                        [](const WholeLeafWindow& w) { return w.measured; }));
}

WholeLeafAnalysis analyseWholeLeafScan(const cv::Mat& scan, const WholeLeafSettings& settings,
                                       std::ostream& progress) {
  WholeLeafAnalysis analysis;
  analysis.plan = planWholeLeafScan(scan, settings.plan);
  const ScanPlan& plan = analysis.plan;
  const double scanMmPerPixel = 1.0 / settings.plan.pixelsPerMm;
  const auto results = analyseAllWindows(scan, plan, settings, progress);
  for (std::size_t l = 0; l < plan.leaves.size(); ++l) {
    const LeafPlan& leaf = plan.leaves[l];
    const int number = static_cast<int>(l) + 1;
    const ClosedOutline& outline = leaf.outline();
    for (std::size_t w = 0; w < leaf.windows.size(); ++w) {
      const WindowResult& result = results[l][w];
      if (analysis.keepError.empty()) analysis.keepError = result.keepError;
      const OutlineWindow& window = leaf.windows[w];
      const int last = window.last(outline);
      const double start = leaf.position(window.first);
      analysis.windows.push_back(
          {number, static_cast<int>(w) + 1, start * kWorkingMmPerPixel,
           (start + outline.forwardDistance(window.first, last)) * kWorkingMmPerPixel,
           leaf.working.toScan(cv::Point2d(outline.points[window.first])),
           leaf.working.toScan(cv::Point2d(outline.points[last])), result.measured, result.reason,
           static_cast<int>(result.teeth.size())});
    }
    const std::vector<WholeLeafTooth> teeth = leafTeeth(leaf, results[l], number, scanMmPerPixel);
    analysis.teeth.insert(analysis.teeth.end(), teeth.begin(), teeth.end());
    WholeLeafSummary summary;
    summary.leaf = number;
    summary.teeth = static_cast<int>(teeth.size());
    summary.coveredPct = 100.0 * coveredShare(leaf, results[l]);
    summary.borderLengthMm = leaf.borderLength() * kWorkingMmPerPixel;
    analysis.leaves.push_back(summary);
    LeafShape shape = shapeOf(leaf, teeth, settings.plan.pixelsPerMm);
    analysis.leaves.back().dilp = dilpRow(shape, defaultMorphotype(settings.pictureStem, number));
    OverviewLeaf view = overviewOf(leaf, results[l], number, teeth);
    view.internal = polygonPoints(internalBladePolygon(shape), shape.outline);
    if (hasPetiole(shape))
      view.petioleCut = {shape.outline[*shape.petioleFrom], shape.outline[*shape.petioleTo]};
    analysis.overview.push_back(std::move(view));
    analysis.shapes.push_back(std::move(shape));
  }
  return analysis;
}

}  // namespace leafmargin
