#include "app/whole_leaf_run.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "app/pipeline.h"
#include "picture/picture_file.h"
#include "picture/stored_resolution.h"
#include "report/results_csv.h"
#include "resources/memory_guard.h"
#include "report/tidy_tables.h"
#include "run/atomic_file.h"
#include "run/output_file.h"
#include "run/file_path.h"
#include "wholeleaf/scan_analysis.h"

namespace leafmargin {

namespace {

constexpr const char* kProgram = "leaf-margin";
constexpr const char* kTeethFile = "whole_leaf_teeth.csv";
constexpr const char* kWindowsFile = "whole_leaf_windows.csv";
constexpr const char* kLeavesFile = "whole_leaf_leaves.csv";
constexpr const char* kPictureFile = "whole_leaf.png";
// The scan itself, its grey copy and the reduced copies the leaves are found on.
constexpr std::uint64_t kScanBytesPerPixel = 8;

std::string percentText(double share) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(0) << 100.0 * share;
  return text.str();
}

// The one line of -q: the picture, its teeth and leaves, and where the teeth table is.
std::string quietLine(const Options& options, std::size_t teeth, std::size_t leaves) {
  const std::filesystem::path folder =
      std::filesystem::absolute(options.outputDir.empty() ? "." : options.outputDir);
  return options.picture + ": " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth") + " on " +
         std::to_string(leaves) + (leaves == 1 ? " leaf" : " leaves") + ", results in " +
         (folder.lexically_normal() / kTeethFile).string();
}

}  // namespace

int runWholeLeaf(const Options& options, std::ostream& out, std::ostream& messages) {
  auto fail = [&](const Failure& failure) {
    messages << kProgram << ": " << failure.message << std::endl;
    return failure.status;
  };
  auto warn = [&](const std::string& text) { messages << "warning: " << text << std::endl; };
  if (const MaybeFailure folder = prepareRunFolder(options.outputDir)) return fail(*folder);
  if (const MaybeFailure folder = prepareOutputFolder(options.keepCropsDir)) return fail(*folder);
  PictureFile file;
  cv::Mat scan;
  std::ostringstream quiet;
  if (const MaybeFailure failure = readPicture(options.picture, file, scan, RunOutput{quiet, "", false},
                                               kScanBytesPerPixel))
    return fail(*failure);

  WholeLeafSettings settings;
  const double mmPerPixel =
      resolveMmPerPixel(options, storedResolutionDpi(file.bytes.data(), file.bytes.size()), messages);
  settings.plan.pixelsPerMm = 1.0 / mmPerPixel;
  warnIfTruncated(options, file, messages);
  if (options.leafGiven) settings.plan.leafIsBright = options.segmentation.leaf == LeafPolarity::Bright;
  settings.plan.grabCut = options.segmentation.grabCut;
  settings.threads = static_cast<unsigned>(options.segmentation.grabCut.threads);
  settings.keepCropsDir = options.keepCropsDir;
  settings.pictureStem = std::filesystem::path(options.picture).stem().string();

  std::ostream nothing(nullptr);  // -q: no progress lines, only warnings and failures
  const WholeLeafAnalysis analysis = analyseWholeLeafScan(scan, settings, options.quiet ? nothing : messages);
  const ScanPlan& plan = analysis.plan;
  if (plan.failure) return fail(*plan.failure);
  const std::string leftOut = describeLeftOut(plan.found.leftOut);
  if (!leftOut.empty()) warn("in " + options.picture + " " + leftOut);
  if (plan.found.separated > 0) {
    warn(std::to_string(plan.found.separated) + " leaves of " + options.picture +
         " touch each other and were told apart where they meet; check whole_leaf.png");
  }
  for (std::size_t l = 0; l < plan.found.leaves.size(); ++l) {
    if (plan.found.leaves[l].mayBeSeveral)
      warn("leaf " + std::to_string(l + 1) + " of " + options.picture +
           " may be leaves touching each other that could not be told apart; it is measured as "
           "one: check whole_leaf.png");
  }
  if (plan.leaves.empty()) return fail({kExitNoLeaf, "no leaf was found in " + options.picture});
  if (analysis.measuredWindows() == 0) {
    return fail({kExitNoLeaf, "no window of " + options.picture +
                                  " could be measured; nothing was written"});
  }
  if (!analysis.keepError.empty())
    return fail({kExitNotWritten, analysis.keepError});
  for (const WholeLeafSummary& leaf : analysis.leaves) {
    if (leaf.teeth == 0)
      warn("no tooth was found on leaf " + std::to_string(leaf.leaf) + " of " + options.picture);
  }

  std::vector<uchar> png;
  cv::imencode(".png", drawWholeLeafOverview(scan, analysis.overview, settings.plan.pixelsPerMm), png);
  const std::string pictureName = std::filesystem::path(options.picture).filename().string();
  const std::pair<const char*, std::string> files[] = {
      {kTeethFile, composeWholeLeafTeethTable(analysis.teeth)},
      {kWindowsFile, composeWholeLeafWindowsTable(analysis.windows)},
      {kLeavesFile, composeWholeLeafLeavesTable(pictureName, dpiField(25.4 * settings.plan.pixelsPerMm),
                                                analysis.leaves)},
      {kPictureFile, std::string(png.begin(), png.end())}};
  for (const auto& [name, bytes] : files) {
    if (const MaybeFailure failure = writeFileAtomically(options.outputDir, name, bytes)) {
      return fail(*failure);
    }
  }

  double covered = 0.0, total = 0.0;
  for (std::size_t l = 0; l < plan.leaves.size(); ++l) {
    covered += analysis.leaves[l].coveredPct * plan.leaves[l].bladeLength();
    total += plan.leaves[l].bladeLength();
  }
  if (options.quiet) {
    out << quietLine(options, analysis.teeth.size(), plan.leaves.size()) << std::endl;
    return kExitSuccess;
  }
  const int measured = analysis.measuredWindows();
  out << "leaves: " << plan.leaves.size() << "\n"
      << "windows: " << measured << " measured, " << analysis.windows.size() - measured << " rejected\n"
      << "teeth: " << analysis.teeth.size() << "\n"
      << "outline covered: " << percentText(total > 0 ? covered / total / 100.0 : 0.0) << " %" << std::endl;
  return kExitSuccess;
}

}  // namespace leafmargin
