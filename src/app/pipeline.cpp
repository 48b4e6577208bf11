#include "app/pipeline.h"

#include <opencv2/core/version.hpp>

#include "margin/margin_analysis.h"
#include "measure/measure_teeth.h"
#include "report/results_csv.h"
#include "segmentation/leaf_outline.h"
#include "segmentation/memory_guard.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

namespace {
constexpr int kMinRows = 11;  // the orientation test reads row 10
}

PictureAnalysis analysePicture(const cv::Mat& picture, const RunOutput& out) {
  PictureAnalysis analysis;
  Segmentation seg = segmentLeaf(picture, out);
  analysis.turned = seg.turned;
  analysis.size = seg.sourceImage.size();
  LeafOutline outline = extractLeafOutline(seg.contours, seg.hierarchy, seg.sourceImage,
                                           seg.binaryImage, seg.foregroundMask, out);
  if (!outline.ok) {
    analysis.status = kExitNoLeaf;
    return analysis;
  }
  {
    ScopedLap lap(out.stopwatch, "margin analysis");
    analysis.margin =
        analyseMargin(outline.leafOutline, outline.smoothOutline, outline.outlineDrawing, out);
  }
  {
    ScopedLap lap(out.stopwatch, "measurement");
    analysis.measured =
        measureTeeth(outline.leafOutline, analysis.margin.dents, analysis.margin.sinus,
                     seg.sourceImage, seg.foregroundMask, outline.outlineDrawing, out);
  }
  analysis.leafOutline = std::move(outline.leafOutline);
  if (analysis.measured.aborted) analysis.status = kExitFailure;
  return analysis;
}

int runPipeline(const std::string& path, const RunOutput& out) {
  out.trace << "opencv version : " << CV_VERSION_MAJOR << "." << CV_VERSION_MINOR << std::endl;

  cv::Mat picture;
  {
    ScopedLap lap(out.stopwatch, "read");
    picture = readLeafPicture(path);
  }
  if (picture.empty()) {
    out.trace << "Cannot read the image: " << path << std::endl;
    return kExitUnreadable;
  }
  if (picture.rows < kMinRows) {
    out.trace << "The image is too small: " << path << " has " << picture.rows
              << " rows, at least " << kMinRows << " are needed" << std::endl;
    return kExitTooSmall;
  }
  const std::string shortage = memoryShortageMessage(picture.size(), availableMemoryBytes());
  if (!shortage.empty()) {
    out.trace << shortage << std::endl;
    return kExitOutOfMemory;
  }

  const PictureAnalysis analysis = analysePicture(picture, out);
  if (analysis.status != kExitSuccess) return analysis.status;

  ReportStatus report;
  {
    ScopedLap lap(out.stopwatch, "report");
    report = writeResultsCsv(analysis.measured.record, out.directory);
  }
  if (!report.written) {
    out.trace << report.error << std::endl;
    return kExitReportFailed;
  }
  return kExitSuccess;
}

}  // namespace leafmargin
