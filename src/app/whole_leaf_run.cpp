#include "app/whole_leaf_run.h"

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "app/pipeline.h"
#include "picture/picture_file.h"
#include "picture/stored_resolution.h"
#include "report/results_csv.h"
#include "resources/memory_guard.h"
#include "run/atomic_file.h"
#include "run/file_path.h"
#include "wholeleaf/scan_analysis.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";
constexpr const char* kTeethFile = "whole_leaf_teeth.csv";
constexpr const char* kWindowsFile = "whole_leaf_windows.csv";
constexpr const char* kPictureFile = "whole_leaf.png";
constexpr std::uint64_t kWorkingBytesPerPixel = 16;  // picture, mask and distance maps of a leaf

std::string percentText(double share) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(0) << 100.0 * share;
  return text.str();
}

}  // namespace

int runWholeLeaf(const Options& options, std::ostream& out, std::ostream& messages) {
  auto fail = [&](const Failure& failure) {
    messages << kProgram << ": " << failure.message << std::endl;
    return failure.status;
  };
  if (const MaybeFailure folder = prepareOutputFolder(options.outputDir)) return fail(*folder);
  if (const MaybeFailure folder = prepareOutputFolder(options.keepCropsDir)) return fail(*folder);
  PictureFile file;
  cv::Mat scan;
  std::ostringstream quiet;
  if (const MaybeFailure failure =
          readPicture(options.picture, file, scan, RunOutput{quiet, "", false}))
    return fail(*failure);

  WholeLeafSettings settings;
  settings.scale = resolveMmPerPixel(options, storedResolutionDpi(file.bytes.data(), file.bytes.size()),
                                     messages) /
                   kMmPerPixel;
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
                                       " to " + formatDpi(kWorkingDpi) + " dpi: check --dpi"});
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
