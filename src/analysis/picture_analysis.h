// The analysis of one picture in memory: every stage between reading and the report
// (segmentation, outline, margin analysis, measurement), in their fixed order, with their traces
// and diagnostic images. Both the run of one picture and the windows of a whole leaf use it.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "margin/margin_analysis.h"
#include "measure/measure_teeth.h"
#include "run/failure.h"
#include "run/run_output.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

// Everything the stages found in one picture. Points and positions are in the coordinates of
// the analysed picture, which is the given one turned by 180 degrees when turned is set.
struct PictureAnalysis {
  // No leaf outline (kExitNoLeaf), "bug !" (kExitFailure) or an image that could not be
  // written (kExitNotWritten).
  MaybeFailure failure;
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

// The same stages on a picture whose leaf is already known: foreground (0/255, the picture's
// size) stands for both the Otsu mask and GrabCut's, so no segmentation runs and nothing is
// turned. The whole-leaf mode's windows are analysed so.
PictureAnalysis analyseForeground(const cv::Mat& picture, const cv::Mat& foreground,
                                  const RunOutput& out);

}  // namespace leafmargin
