#include "analysis/picture_analysis.h"

#include "outline/leaf_outline.h"

namespace leafmargin {

namespace {

// The stages after segmentation, on the segmented picture.
PictureAnalysis analyseSegmented(const Segmentation& seg, const RunOutput& out) {
  PictureAnalysis analysis;
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

}  // namespace

PictureAnalysis analysePicture(const cv::Mat& picture, const SegmentationSettings& settings,
                               const RunOutput& out) {
  return analyseSegmented(segmentLeaf(picture, settings, out), out);
}

PictureAnalysis analyseForeground(const cv::Mat& picture, const cv::Mat& foreground,
                                  const RunOutput& out) {
  Segmentation seg;
  seg.sourceImage = picture;
  seg.binaryImage = foreground;
  seg.foregroundMask = foreground;
  externalContours(foreground, seg.contours, seg.hierarchy);
  return analyseSegmented(seg, out);
}

}  // namespace leafmargin
