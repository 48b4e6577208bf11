#include "app/pipeline.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/core/version.hpp>

#include "app/tidy_outputs.h"
#include "picture/picture_file.h"
#include "picture/picture_header.h"
#include "picture/stored_resolution.h"
#include "picture/truncated_picture.h"
#include "report/results_csv.h"
#include "resources/memory_guard.h"
#include "run/file_path.h"
#include "segmentation/polarity_check.h"

namespace leafmargin {

namespace {

void warn(std::ostream& messages, const std::string& text) {
  messages << "warning: " << text << std::endl;
}

// 0 when a file can be made in folder (which exists), else the errno of the attempt.
int writeProbeError(const std::string& folder) {
  const std::string probe = joinPath(folder, ".leaf-margin-probe." + std::to_string(getpid()));
  errno = 0;
  std::ofstream file(probe);
  const int error = file ? 0 : (errno != 0 ? errno : EACCES);
  file.close();
  std::remove(probe.c_str());
  return error;
}

}  // namespace

MaybeFailure prepareOutputFolder(const std::string& folder) {
  if (folder.empty()) return std::nullopt;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const int error = ec ? ec.value() : writeProbeError(folder);
  if (error == 0) return std::nullopt;
  return Failure{kExitNotWritten,
                 "cannot write in the output folder " + folder + ": " + std::strerror(error)};
}

MaybeFailure prepareRunFolder(const std::string& outputDir) {
  if (!outputDir.empty()) return prepareOutputFolder(outputDir);
  const int error = writeProbeError(".");
  if (error == 0) return std::nullopt;
  std::error_code ec;
  const std::string here = std::filesystem::current_path(ec).string();
  return Failure{kExitNotWritten, "cannot write in the working folder " +
                                      (ec ? std::string(".") : here) + ": " + std::strerror(error)};
}

double resolveMmPerPixel(const Options& options, std::optional<double> stored,
                         std::ostream& messages) {
  if (options.dpiFromFile) {
    if (stored) return mmPerPixelAt(*stored);
    warn(messages, options.picture + " stores no usable resolution; lengths in mm assume " +
                       formatDpi(kDefaultDpi) + " dpi (give it with --dpi N)");
    return mmPerPixelAt(kDefaultDpi);
  }
  if (stored && !sameDpi(*stored, options.dpi)) {
    warn(messages, options.picture + " stores a resolution of " + formatDpi(*stored) +
                       " dpi, but lengths in mm assume " + formatDpi(options.dpi) +
                       " dpi (give --dpi " + formatDpi(*stored) + " or --dpi auto to use it)");
  }
  return mmPerPixelAt(options.dpi);
}

void warnIfTruncated(const Options& options, const PictureFile& file, std::ostream& messages) {
  if (pictureIsTruncated(file.bytes.data(), file.bytes.size())) {
    warn(messages, options.picture + " is truncated or corrupt: the decoder stopped before its " +
                       "end and filled in the rest, so the results may be wrong");
  }
}

namespace {

// What the file and the picture suggest about how the run went: a file that ends early, a
// leaf that looks like the darker class.
void warnAboutPicture(const Options& options, LeafPolarity leaf, const cv::Mat& picture,
                      const PictureFile& file, std::ostream& messages) {
  warnIfTruncated(options, file, messages);
  if (leaf == LeafPolarity::Bright && !options.leafAuto && brightClassLooksLikePaper(picture)) {
    warn(messages, "in " + options.picture + " the brighter class looks like paper around a " +
                       "darker leaf; if the leaf lies on paper, give --leaf dark");
  }
}

}  // namespace

MaybeFailure readPicture(const std::string& path, PictureFile& file, cv::Mat& picture,
                         const RunOutput& out, std::uint64_t bytesPerPixel) {
  {
    ScopedLap lap(out.stopwatch, "read");
    file = readPictureFile(path);
  }
  // A picture too large for the memory left is refused on its header's word, before the
  // decoder allocates it.
  std::optional<cv::Size> stated;
  {
    ScopedLap lap(out.stopwatch, "picture header");
    stated = pictureSizeFromHeader(file.bytes.data(), file.bytes.size());
  }
  if (stated) {
    const std::string shortage =
        memoryShortageMessage(*stated, estimatedBytes(*stated, bytesPerPixel), availableMemoryBytes());
    if (!shortage.empty()) return Failure{kExitOutOfMemory, shortage};
  }
  {
    ScopedLap lap(out.stopwatch, "decode");
    picture = decodeLeafPicture(file.bytes);
  }
  if (picture.empty()) return Failure{kExitUnreadable, "Cannot read the image: " + path};
  if (picture.rows < kMinPictureRows) {
    return Failure{kExitTooSmall, "The image is too small: " + path + " has " +
                                      std::to_string(picture.rows) + " rows, at least " +
                                      std::to_string(kMinPictureRows) + " are needed"};
  }
  const std::string shortage = memoryShortageMessage(
      picture.size(), estimatedBytes(picture.size(), bytesPerPixel), availableMemoryBytes());
  if (!shortage.empty()) return Failure{kExitOutOfMemory, shortage};
  return std::nullopt;
}

namespace {

int endRun(const Failure& failure, const RunOutput& out) {
  if (!failure.message.empty()) out.trace << failure.message << std::endl;
  return failure.status;
}

// --leaf auto: the class the polarity check points to; a warning when it is not clear.
LeafPolarity chooseLeafClass(const Options& options, const cv::Mat& picture,
                             std::ostream& messages) {
  if (!options.leafAuto) return options.segmentation.leaf;
  const PolarityChoice choice = choosePolarity(picture);
  const char* taken = choice.leaf == LeafPolarity::Dark ? "dark" : "bright";
  if (!choice.clear) {
    warn(messages, "--leaf auto cannot tell whether the leaf in " + options.picture +
                       " is the brighter or the darker class; took " + taken +
                       " (give --leaf bright or --leaf dark)");
  }
  return choice.leaf;
}

// "leaf.png: 12 teeth measured, results in /abs/folder/results.csv", the closing line of -q.
std::string closingLine(const Options& options, std::size_t teeth) {
  const std::filesystem::path folder =
      std::filesystem::absolute(options.outputDir.empty() ? "." : options.outputDir);
  return options.picture + ": " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth") +
         " measured, results in " + (folder.lexically_normal() / "results.csv").string();
}

}  // namespace

int runPipeline(const Options& options, const RunOutput& shown, std::ostream& messages) {
  // -q: the stages trace into nothing; a failure or the closing line is all standard output gets.
  std::ostream nothing(nullptr);
  const RunOutput out{options.quiet ? nothing : shown.trace, shown.directory, shown.writeImages,
                      shown.stopwatch};
  if (const MaybeFailure folder = prepareRunFolder(options.outputDir)) {
    messages << "leaf-margin: " << folder->message << std::endl;
    return folder->status;
  }
  if (!options.ignoredPictures.empty()) {
    warn(messages, "only the first picture (" + options.picture +
                       ") is analysed; leafmargin-batch analyses many pictures");
  }
  out.trace << "opencv version : " << CV_VERSION_MAJOR << "." << CV_VERSION_MINOR << std::endl;

  PictureFile file;
  cv::Mat picture;
  if (const MaybeFailure failure =
          readPicture(options.picture, file, picture, out,
                      runBytesPerPixel(options.segmentation.grabCut.engine))) {
    if (failure->status == kExitUnreadable) {
      messages << "leaf-margin: cannot read " << options.picture << ": " << unreadableReason(file)
               << std::endl;
    }
    return endRun(*failure, shown);
  }
  double mmPerPixel;
  SegmentationSettings segmentation = options.segmentation;
  {
    ScopedLap lap(out.stopwatch, "picture file: resolution, truncation, polarity");
    mmPerPixel = resolveMmPerPixel(
        options, storedResolutionDpi(file.bytes.data(), file.bytes.size()), messages);
    segmentation.leaf = chooseLeafClass(options, picture, messages);
    warnAboutPicture(options, segmentation.leaf, picture, file, messages);
  }
  const PictureAnalysis analysis = analysePicture(picture, segmentation, out);
  if (analysis.failure) return endRun(*analysis.failure, shown);

  MaybeFailure report;
  {
    ScopedLap lap(out.stopwatch, "report");
    report = writeResultsCsv(analysis.measured.record, mmPerPixel, out.directory);
  }
  if (report) return endRun(*report, shown);
  if (options.tidy) {
    if (const MaybeFailure tidy = writeTidyOutputs(picture, analysis, options.picture, mmPerPixel,
                                                   out.directory)) {
      messages << "leaf-margin: " << tidy->message << std::endl;
      return tidy->status;
    }
  }
  const std::size_t teeth = analysis.measured.record.teeth.size();
  if (teeth == 0) {
    warn(messages, "no tooth was measured in " + options.picture +
                       "; results.csv holds the statistics rows only");
  }
  if (options.quiet) shown.trace << closingLine(options, teeth) << std::endl;
  return kExitSuccess;
}

}  // namespace leafmargin
