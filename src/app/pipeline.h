// The analysis of one picture from top to bottom: the driver owns every object of the run,
// calls the stages in their fixed order and turns their outcome into the exit status.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "margin/margin_analysis.h"
#include "measure/measure_teeth.h"
#include "run/run_output.h"

namespace leafmargin {

// Exit statuses of a run.
constexpr int kExitSuccess = 0;
constexpr int kExitUnreadable = -1;  // the picture cannot be read (255 as the shell sees it)
constexpr int kExitNoLeaf = 1;       // no usable leaf outline
constexpr int kExitFailure = 1;      // the apical search failed ("bug !")
constexpr int kExitTooSmall = 2;     // fewer than 11 rows
constexpr int kExitReportFailed = 3; // results.csv could not be written
constexpr int kExitOutOfMemory = 4;  // GrabCut would not fit in the memory left

// Everything the stages found in one picture. Points and positions are in the coordinates of
// the analysed picture, which is the given one turned by 180 degrees when turned is set.
struct PictureAnalysis {
  int status = kExitSuccess;  // kExitSuccess, kExitNoLeaf or kExitFailure
  bool turned = false;
  cv::Size size;
  std::vector<cv::Point> leafOutline;
  MarginAnalysis margin;       // dents and sinus: positions in leafOutline
  MeasureTeethResult measured; // the table's record, where each row's tooth lies, the notch
};

// Every stage between reading and the report: segmentation, outline, margin analysis and
// measurement, with their traces and images. The picture is 8-bit BGR with at least 11 rows.
PictureAnalysis analysePicture(const cv::Mat& picture, const RunOutput& out);

// Prints the version line, runs every stage on the picture at path, writes the report and
// returns the exit status.
int runPipeline(const std::string& path, const RunOutput& out);

}  // namespace leafmargin
