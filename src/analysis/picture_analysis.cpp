#include "analysis/picture_analysis.h"

#include "outline/leaf_outline.h"

namespace leafmargin {

PictureAnalysis analysePicture(const cv::Mat& picture, const SegmentationSettings& settings,
                               const RunOutput& out) {
  PictureAnalysis analysis;
  Segmentation seg = segmentLeaf(picture, settings, out);
  if (seg.failure) {
    analysis.failure = seg.failure;
    return analysis;
  }
  analysis.turned = seg.turned;
  analysis.size = seg.sourceImage.size();
  LeafOutline outline = extractLeafOutline(seg.contours, seg.hierarchy, seg.sourceImage,
                                           seg.binaryImage, seg.foregroundMask, out);
  if (outline.failure) {
    analysis.failure = outline.failure;
    return analysis;
  }
  {
    ScopedLap lap(out.stopwatch, "margin analysis");
    analysis.margin =
        analyseMargin(outline.leafOutline, outline.smoothOutline, outline.outlineDrawing, out);
  }
  if (analysis.margin.failure) {
    analysis.failure = analysis.margin.failure;
    return analysis;
  }
  {
    ScopedLap lap(out.stopwatch, "measurement");
    analysis.measured =
        measureTeeth(outline.leafOutline, analysis.margin.dents, analysis.margin.sinus,
                     seg.sourceImage, seg.foregroundMask, outline.outlineDrawing, out);
  }
  analysis.leafOutline = std::move(outline.leafOutline);
  analysis.failure = analysis.measured.failure;
  return analysis;
}

}  // namespace leafmargin
