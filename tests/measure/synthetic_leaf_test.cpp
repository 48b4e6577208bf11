// The whole analysis on generated leaves: the teeth measured are the teeth drawn, with their
// widths and heights in pixels.
#include <gtest/gtest.h>

#include <sstream>

#include "leafgen/leaf_generator.h"
#include "margin/margin_analysis.h"
#include "measure/measure_teeth.h"
#include "outline/leaf_outline.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {
namespace {

struct Analysed {
  std::vector<cv::Point> tips;  // the tips found, as outline points
  MeasureTeethResult measured;
};

Analysed analyse(const cv::Mat& picture) {
  std::ostringstream trace;
  const RunOutput out{trace, "", false};
  Segmentation seg = segmentLeaf(picture, {}, out);
  LeafOutline outline = extractLeafOutline(seg.contours, seg.hierarchy, seg.sourceImage,
                                           seg.binaryImage, seg.foregroundMask, out);
  EXPECT_FALSE(outline.failure);
  Analysed a;
  if (outline.failure) return a;
  const MarginAnalysis margin =
      analyseMargin(outline.leafOutline, outline.smoothOutline, outline.outlineDrawing, out);
  for (int d : margin.dents) a.tips.push_back(outline.leafOutline[d]);
  a.measured = measureTeeth(outline.leafOutline, margin.dents, margin.sinus, seg.sourceImage,
                            seg.foregroundMask, outline.outlineDrawing, out);
  return a;
}

double nearestDistance(cv::Point p, const std::vector<cv::Point>& points) {
  double best = 1e9;
  for (cv::Point q : points) best = std::min(best, std::hypot(p.x - q.x, p.y - q.y));
  return best;
}

void expectDrawnTeeth(const leafgen::LeafSpec& design) {
  SCOPED_TRACE(leafgen::toothShapeName(design.shape));
  const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
  const Analysed a = analyse(leaf.image);
  const MeasurementRecord& r = a.measured.record;
  ASSERT_FALSE(a.measured.failure);
  // The end teeth of the margin meet the flat shoulders and are not measured as teeth.
  ASSERT_GE(static_cast<int>(r.teeth.size()), design.teeth - 2);
  ASSERT_LE(static_cast<int>(r.teeth.size()), design.teeth);
  for (cv::Point tip : a.tips) EXPECT_LE(nearestDistance(tip, leaf.tips), 3.0) << tip;
  for (size_t t = 0; t < r.teeth.size(); ++t) {
    EXPECT_NEAR(r.teeth[t].largeurDent, design.toothWidth, 3.0) << "tooth " << t;
    EXPECT_NEAR(r.teeth[t].hauteurDent, design.toothHeight, 3.0) << "tooth " << t;
    EXPECT_FALSE(std::isnan(r.teeth[t].angleApical)) << "tooth " << t;
  }
  for (const SinusRecord& s : r.sinuses) EXPECT_NEAR(s.largeurSinus, design.toothWidth, 3.0);
  // Neighbouring tips at one height: the deepest notch is one tooth height.
  EXPECT_NEAR(r.profondeurMax, design.toothHeight, 3.0);
}

TEST(SyntheticLeaf, SymmetricAndNoisySawTeethAreMeasuredAsDrawn) {
  expectDrawnTeeth(leafgen::LeafSpec());  // symmetric teeth on a clean picture
  leafgen::LeafSpec saw;
  saw.shape = leafgen::ToothShape::Saw;
  saw.teeth = 7, saw.toothWidth = 90, saw.toothHeight = 50, saw.noiseSigma = 12.0, saw.seed = 4;
  expectDrawnTeeth(saw);
}

}  // namespace
}  // namespace leafmargin
