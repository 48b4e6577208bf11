#include "wholeleaf/scan_analysis.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <sstream>

#include "analysis/picture_analysis.h"
#include "grabcut/grabcut_settings.h"
#include "report/results_csv.h"
#include "resources/memory_budget.h"
#include "resources/memory_guard.h"
#include "resources/parallel_blocks.h"
#include "resources/work_queue.h"
#include "run/file_path.h"
#include "wholeleaf/tooth_merge.h"
#include "wholeleaf/window_crop.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";

// What one window gave.
struct WindowResult {
  bool measured = false;
  std::string reason;
  MeasurementRecord record;
  std::vector<WindowTooth> teeth;
};

std::string windowFolderName(int leaf, int window) {
  std::ostringstream name;
  name << "leaf" << leaf << "_window" << std::setw(2) << std::setfill('0') << window;
  return name.str();
}

// The crop of one window analysed as a picture of its own; its teeth placed on the leaf.
WindowResult analyseWindow(const LeafPlan& leaf, int windowIndex, const SegmentationSettings& settings,
                           const std::string& keepFolder, MemoryBudget& budget) {
  WindowResult result;
  const OutlineWindow& window = leaf.windows[windowIndex];
  const WindowCrop crop = cutWindowCrop(leaf.leaf, outlineStretch(leaf.outline, window.first, window.count));
  if (!crop.rejection.empty()) {
    result.reason = crop.rejection;
    return result;
  }
  BudgetShare share(budget, estimatedRunBytes(crop.picture.size(), settings.grabCut.engine));
  if (!share.held()) {
    result.reason = "not enough memory";
    return result;
  }
  std::ostringstream trace;
  const RunOutput out{trace, keepFolder, !keepFolder.empty()};
  if (!keepFolder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(keepFolder, ignored);
    if (const MaybeFailure unwritten = out.writeImage("crop.png", crop.picture)) {
      result.reason = unwritten->message;
      return result;
    }
  }
  // GrabCut draws its first clusters from the thread's random generator: every crop starts it
  // afresh, so that a window gives what a run of the program on its crop gives, whatever thread
  // it runs on and whatever ran there before.
  cv::theRNG() = cv::RNG();
  const PictureAnalysis analysis = analysePicture(crop.picture, settings, out);
  if (!keepFolder.empty()) std::ofstream(joinPath(keepFolder, "trace.txt")) << trace.str();

  if (analysis.failure) {
    result.reason = analysis.leafOutline.empty() ? "the analysis found no leaf outline"
                                                 : "the analysis stopped: " + analysis.failure->message;
    return result;
  }
  if (analysis.turned) {
    result.reason = "the analysis turned the crop";
    return result;
  }
  result.measured = true;
  result.record = analysis.measured.record;
  const int last = window.last(leaf.outline);
  for (std::size_t row = 0; row < analysis.measured.teeth.size(); ++row) {
    const MeasuredTooth& measured = analysis.measured.teeth[row];
    auto onLeaf = [&](int i) { return crop.transform.workingPoint(analysis.leafOutline[i]); };
    const int at = nearestPointOfWindow(leaf.outline, window, onLeaf(measured.tip));
    auto positionOf = [&](int i) {
      return i < 0 ? leaf.position(at) : leaf.position(nearestPointOfWindow(leaf.outline, window, onLeaf(i)));
    };
    WindowTooth tooth;
    tooth.window = windowIndex;
    tooth.position = leaf.position(at);
    tooth.centrality = std::min(leaf.outline.forwardDistance(window.first, at),
                                leaf.outline.forwardDistance(at, last));
    tooth.width = result.record.teeth[row].largeurDent;
    tooth.sinusBefore = positionOf(measured.sinusBefore);
    tooth.sinusAfter = positionOf(measured.sinusAfter);
    tooth.tip = leaf.leaf.toScan(onLeaf(measured.tip));
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
std::vector<std::vector<WindowResult>> analyseAllWindows(const ScanPlan& plan,
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
    result = analyseWindow(plan.leaves[job.leaf], job.window, settings.crops, keep, budget);
    std::lock_guard<std::mutex> lock(progressMutex);
    progress << kProgram << ": window " << ++done << " of " << jobs.size() << " (leaf "
             << job.leaf + 1 << ", window " << job.window + 1 << "): "
             << (result.measured ? "measured, " + std::to_string(result.teeth.size()) + " teeth"
                                 : "rejected, " + result.reason)
             << std::endl;
  });
  return results;
}

// Share of the leaves' blade outline that lies in measured windows.
double coveredShare(const ScanPlan& plan, const std::vector<std::vector<WindowResult>>& results) {
  double covered = 0.0, total = 0.0;
  for (std::size_t l = 0; l < plan.leaves.size(); ++l) {
    const LeafPlan& leaf = plan.leaves[l];
    std::vector<char> in(leaf.outline.size(), 0);
    for (std::size_t w = 0; w < leaf.windows.size(); ++w) {
      if (!results[l][w].measured) continue;
      for (int k = 0; k < leaf.windows[w].count; ++k) in[leaf.outline.wrap(leaf.windows[w].first + k)] = 1;
    }
    const int first = leaf.ends.base;
    const int count = leaf.ends.base == leaf.ends.bladeEnd ? leaf.outline.size()
                                                           : leaf.outline.wrap(leaf.ends.bladeEnd - first) + 1;
    for (int k = 0; k < count; ++k) covered += in[leaf.outline.wrap(first + k)];
    total += count;
  }
  return total > 0.0 ? covered / total : 0.0;
}


}  // namespace

int WholeLeafAnalysis::measuredWindows() const {
  return static_cast<int>(std::count_if(windows.begin(), windows.end(),
                                        [](const WholeLeafWindow& w) { return w.measured; }));
}

WholeLeafAnalysis analyseWholeLeafScan(const cv::Mat& scan, const WholeLeafSettings& settings,
                                       std::ostream& progress) {
  WholeLeafAnalysis analysis;
  analysis.plan = planWholeLeafScan(scan, settings.leafIsBright, settings.scale);
  const ScanPlan& plan = analysis.plan;
  const auto results = analyseAllWindows(plan, settings, progress);
  for (std::size_t l = 0; l < plan.leaves.size(); ++l) {
    const LeafPlan& leaf = plan.leaves[l];
    const int number = static_cast<int>(l) + 1;
    std::vector<WindowTooth> copies;
    for (std::size_t w = 0; w < leaf.windows.size(); ++w) {
      const WindowResult& result = results[l][w];
      const OutlineWindow& window = leaf.windows[w];
      const int last = window.last(leaf.outline);
      const double start = leaf.position(window.first);
      analysis.windows.push_back(
          {number, static_cast<int>(w) + 1, start * kMmPerPixel,
           (start + leaf.outline.forwardDistance(window.first, last)) * kMmPerPixel,
           leaf.leaf.toScan(leaf.outline.points[window.first]),
           leaf.leaf.toScan(leaf.outline.points[last]), result.measured, result.reason,
           static_cast<int>(result.teeth.size())});
      OverviewStretch stretch{{}, result.measured};
      for (int k = 0; k < window.count; ++k)
        stretch.points.push_back(leaf.leaf.toScan(leaf.outline.points[leaf.outline.wrap(window.first + k)]));
      analysis.stretches.push_back(std::move(stretch));
      copies.insert(copies.end(), result.teeth.begin(), result.teeth.end());
    }
    for (const MergedTooth& merged : mergeTeeth(copies)) {
      std::vector<std::array<double, kMeasureCount>> rows;
      for (const WindowTooth& copy : copiesLikeKept(merged))
        rows.push_back(measuresOfRow(results[l][copy.window].record, copy.row, kMmPerPixel));
      const WindowTooth& kept = merged.kept();
      analysis.teeth.push_back({number, kept.position * kMmPerPixel, kept.tip,
                                static_cast<int>(merged.copies.size()), medianMeasures(rows)});
    }
  }
  analysis.coveredShare = coveredShare(plan, results);
  return analysis;
}

}  // namespace leafmargin
