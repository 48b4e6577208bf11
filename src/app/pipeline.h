// The analysis of one picture from top to bottom: the driver owns every object of the run,
// calls the stages in their fixed order, prints the failure of a stage that stops the run and
// turns the outcome into the exit status. Warnings about the picture go to a separate stream.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "margin/margin_analysis.h"
#include "measure/measure_teeth.h"
#include "run/failure.h"
#include "run/run_output.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

// Everything the stages found in one picture. Points and positions are in the coordinates of
// the analysed picture, which is the given one turned by 180 degrees when turned is set.
struct PictureAnalysis {
  MaybeFailure failure;  // no leaf outline (kExitNoLeaf) or "bug !" (kExitFailure)
  bool turned = false;
  cv::Size size;
  std::vector<cv::Point> leafOutline;
  MarginAnalysis margin;        // dents and sinus: positions in leafOutline
  MeasureTeethResult measured;  // the table's record, where each row's tooth lies, the notch
};

// Every stage between reading and the report: segmentation, outline, margin analysis and
// measurement, with their traces and images. The picture is 8-bit BGR with at least 11 rows.
// A failure is returned, not printed.
PictureAnalysis analysePicture(const cv::Mat& picture, const SegmentationSettings& settings,
                               const RunOutput& out);

// Steps of a run that every mode shares.
// Creates the output folder when missing and checks that a file can be made in it, so that a
// long analysis never ends unable to write its results.
MaybeFailure prepareOutputFolder(const std::string& folder);
// Reading and the checks that stop a run before segmentation (the memory one for that GrabCut).
MaybeFailure readPicture(const std::string& path, cv::Mat& picture, const RunOutput& out,
                         GrabCutEngine engine = GrabCutEngine::Own);
// The scale of the report: the resolution given, or the one stored in the file (stored) with
// --dpi auto; warns when the file stores another resolution than the one used.
double resolveMmPerPixel(const Options& options, std::optional<double> stored,
                         std::ostream& messages);
// Warns when the picture's file ends early (the decoder filled in the rest).
void warnIfTruncated(const Options& options, const std::vector<unsigned char>& file,
                     std::ostream& messages);

// One run of the program: prints the version line, runs every stage on options.picture, writes
// the report and returns the exit status. out.directory must be options.outputDir. Warnings
// and the output folder's failure go to messages (standard error).
int runPipeline(const Options& options, const RunOutput& out, std::ostream& messages);

}  // namespace leafmargin
