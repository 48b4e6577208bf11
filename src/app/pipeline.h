// The analysis of one picture from top to bottom: the driver owns every object of the run,
// calls the stages in their fixed order, prints the failure of a stage that stops the run and
// turns the outcome into the exit status. Warnings about the picture go to a separate stream.
#pragma once

#include <opencv2/core.hpp>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/picture_analysis.h"
#include "app/options.h"
#include "picture/picture_file.h"
#include "run/failure.h"
#include "run/run_output.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

// Steps of a run that every mode shares.
// Creates the output folder when missing and checks that a file can be made in it, so that a
// long analysis never ends unable to write its results.
MaybeFailure prepareOutputFolder(const std::string& folder);
// The same for the folder a run writes in: outputDir, or the working folder when it is empty
// (which is checked, not created).
MaybeFailure prepareRunFolder(const std::string& outputDir);
// Reading the file once and the checks that stop a run before segmentation (the memory one for
// a run costing bytesPerPixel); file keeps the bytes for the checks that look at the file itself.
MaybeFailure readPicture(const std::string& path, PictureFile& file, cv::Mat& picture,
                         const RunOutput& out, std::uint64_t bytesPerPixel);
// The scale of the report: the resolution given, or the one stored in the file (stored) with
// --dpi auto; warns when the file stores another resolution than the one used.
double resolveMmPerPixel(const Options& options, std::optional<double> stored,
                         std::ostream& messages);
// Warns when the picture's file ends early (the decoder filled in the rest).
void warnIfTruncated(const Options& options, const PictureFile& file, std::ostream& messages);

// One run of the program: prints the version line, runs every stage on options.picture, writes
// the report and returns the exit status. out.directory must be options.outputDir. Warnings
// and the output folder's failure go to messages (standard error).
int runPipeline(const Options& options, const RunOutput& out, std::ostream& messages);

}  // namespace leafmargin
