#include "app/whole_leaf_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <mutex>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <thread>

#include "app/pipeline.h"
#include "report/results_csv.h"
#include "run/atomic_file.h"
#include "run/file_path.h"
#include "segmentation/memory_guard.h"
#include "segmentation/picture_file.h"
#include "segmentation/stored_resolution.h"
#include "wholeleaf/tooth_merge.h"
#include "wholeleaf/window_crop.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";
constexpr const char* kTeethFile = "whole_leaf_teeth.csv";
constexpr const char* kWindowsFile = "whole_leaf_windows.csv";
constexpr const char* kPictureFile = "whole_leaf.png";
constexpr std::uint64_t kWorkingBytesPerPixel = 16;  // picture, mask and distance maps of a leaf

// What one window gave.
struct WindowResult {
  bool measured = false;
  std::string reason;
  MeasurementRecord record;
  std::vector<WindowTooth> teeth;
};

// Memory that the crops being analysed may hold together: a crop waits until its GrabCut fits
// beside the others, and is refused only when it does not fit even alone.
class MemoryBudget {
 public:
  explicit MemoryBudget(std::optional<std::uint64_t> available) : available_(available) {}

  bool acquire(std::uint64_t bytes) {
    if (!available_) return true;
    std::unique_lock<std::mutex> lock(mutex_);
    if (bytes > *available_) return false;
    fits_.wait(lock, [&] { return used_ + bytes <= *available_; });
    used_ += bytes;
    return true;
  }
  void release(std::uint64_t bytes) {
    if (!available_) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      used_ -= bytes;
    }
    fits_.notify_all();
  }

 private:
  std::optional<std::uint64_t> available_;
  std::uint64_t used_ = 0;
  std::mutex mutex_;
  std::condition_variable fits_;
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
  const std::uint64_t bytes = estimatedRunBytes(crop.picture.size(), settings.grabCut.engine);
  if (!budget.acquire(bytes)) {
    result.reason = "not enough memory";
    return result;
  }
  std::ostringstream trace;
  const RunOutput out{trace, keepFolder, !keepFolder.empty()};
  if (!keepFolder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(keepFolder, ignored);
    out.writeImage("crop.png", crop.picture);
  }
  // GrabCut draws its first clusters from the thread's random generator: every crop starts it
  // afresh, so that a window gives what a run of the program on its crop gives, whatever thread
  // it runs on and whatever ran there before.
  cv::theRNG() = cv::RNG();
  const PictureAnalysis analysis = analysePicture(crop.picture, settings, out);
  budget.release(bytes);
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
    tooth.width = result.record.largeursDents[row];
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
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::mutex progressMutex;
  auto work = [&] {
    for (std::size_t j = next++; j < jobs.size(); j = next++) {
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
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t count = std::min<std::size_t>(settings.threads ? settings.threads : cores, jobs.size());
  std::vector<std::thread> threads;
  for (std::size_t t = 1; t < count; ++t) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
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

std::string percentText(double share) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(0) << 100.0 * share;
  return text.str();
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

int runWholeLeaf(const Options& options, std::ostream& out, std::ostream& messages) {
  auto fail = [&](const Failure& failure) {
    messages << kProgram << ": " << failure.message << std::endl;
    return failure.status;
  };
  if (const MaybeFailure folder = prepareOutputFolder(options.outputDir)) return fail(*folder);
  if (const MaybeFailure folder = prepareOutputFolder(options.keepCropsDir)) return fail(*folder);
  cv::Mat scan;
  std::ostringstream quiet;
  if (const MaybeFailure failure = readPicture(options.picture, scan, RunOutput{quiet, "", false}))
    return fail(*failure);

  const std::vector<unsigned char> file = readPictureFile(options.picture);
  WholeLeafSettings settings;
  settings.scale =
      resolveMmPerPixel(options, storedResolutionDpi(file.data(), file.size()), messages) / kMmPerPixel;
  warnIfTruncated(options, file, messages);
  if (options.leafGiven) settings.leafIsBright = options.segmentation.leaf == LeafPolarity::Bright;
  settings.crops = options.segmentation;
  settings.crops.leaf = LeafPolarity::Bright;
  // The windows are the parallel unit: each GrabCut runs on one thread, and --threads caps them.
  settings.crops.grabCut.threads = 1;
  settings.crops.grabCut.progress = nullptr;
  settings.threads = static_cast<unsigned>(options.segmentation.grabCut.threads);
  settings.keepCropsDir = options.keepCropsDir;
  const double workingPixels = static_cast<double>(scan.total()) * settings.scale * settings.scale;
  const std::optional<std::uint64_t> available = availableMemoryBytes();
  if (available && workingPixels * kWorkingBytesPerPixel > static_cast<double>(*available)) {
    return fail({kExitOutOfMemory, "Not enough memory to bring " + options.picture +
                                       " to 1200 dpi: check --dpi"});
  }

  const WholeLeafAnalysis analysis = analyseWholeLeafScan(scan, settings, messages);
  if (analysis.plan.leavesOnBorder > 0) {
    messages << "warning: " << analysis.plan.leavesOnBorder << " leaf-sized region(s) of "
             << options.picture << " touch the picture's border and are left out" << std::endl;
  }
  if (analysis.plan.leaves.empty()) {
    return fail({kExitNoLeaf, "no whole leaf in " + options.picture +
                                  ": every leaf must lie inside the picture, on a plain ground"});
  }
  if (analysis.measuredWindows() == 0) {
    return fail({kExitNoLeaf, "no window of " + options.picture +
                                  " could be measured; nothing was written"});
  }

  std::vector<cv::Point2d> tips;
  for (const WholeLeafTooth& t : analysis.teeth) tips.push_back(t.tip);
  std::vector<uchar> png;
  cv::imencode(".png", drawWholeLeafOverview(scan, analysis.stretches, tips), png);
  const std::pair<const char*, std::string> files[] = {
      {kTeethFile, composeWholeLeafTeethTable(analysis.teeth)},
      {kWindowsFile, composeWholeLeafWindowsTable(analysis.windows)},
      {kPictureFile, std::string(png.begin(), png.end())}};
  for (const auto& [name, bytes] : files) {
    if (const int error = replaceFileAtomically(joinPath(options.outputDir, name), bytes)) {
      return fail({kExitNotWritten, std::string("cannot write ") + name + ": " + std::strerror(error)});
    }
  }

  const int measured = analysis.measuredWindows();
  out << "leaves: " << analysis.plan.leaves.size() << "\n"
      << "windows: " << measured << " measured, " << analysis.windows.size() - measured << " rejected\n"
      << "teeth: " << analysis.teeth.size() << "\n"
      << "outline covered: " << percentText(analysis.coveredShare) << " %" << std::endl;
  return kExitSuccess;
}

}  // namespace leafmargin
