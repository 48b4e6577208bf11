// The whole-leaf analysis on generated scans as labs make them, measured against the exact
// geometry the generator drew: a leaf on graph paper among a ruler, a label and print at 300 dpi,
// on a dark ground at 600 dpi, on paper, an entire leaf, all through JPEG; a leaf whose blade runs
// off the picture; two leaves on one scan. Every tooth drawn is found once where it was drawn,
// nothing else is a leaf, and the measures, physiognomy included, are the drawn ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "leafgen/scene.h"
#include "leafgen/scene_presets.h"
#include "leafgen/scene_render.h"
#include "leafgen/scene_truth.h"
#include "physiognomy/dilp_checks.h"
#include "wholeleaf/scan_analysis.h"

namespace leafmargin {
namespace {

using leafgen::Scene;

struct Found {
  WholeLeafAnalysis analysis;
  leafgen::SceneTruth truth;
};

Found analyseScene(const Scene& scene) {
  Found found;
  found.truth = leafgen::sceneTruth(scene);
  WholeLeafSettings settings;
  settings.plan.pixelsPerMm = scene.dpi / 25.4;
  std::ostringstream progress;
  found.analysis = analyseWholeLeafScan(leafgen::renderScene(scene), settings, progress);
  return found;
}

double median(std::vector<double> values) {
  if (values.empty()) return std::nan("");
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Drawn tips (of teeth wholly inside the picture) against the reported ones of one leaf, a tip
// matching within 0.25 mm.
struct ToothScore {
  double recall = 0.0, precision = 0.0;
  int twice = 0;  // drawn teeth reported more than once
  double widthRatio = 0.0, heightRatio = 0.0;  // medians over the measured matches
};

ToothScore scoreTeeth(const Found& found, int leaf, double dpi) {
  const leafgen::LeafTruth& truth = found.truth.leavesInPixels[leaf];
  const double reach = 0.25 * dpi / 25.4, pixelMm = 25.4 / dpi;
  std::vector<const WholeLeafTooth*> reported;
  for (const WholeLeafTooth& t : found.analysis.teeth)
    if (t.leaf == leaf + 1) reported.push_back(&t);
  ToothScore score;
  int drawn = 0, matched = 0;
  std::vector<int> hits(reported.size(), 0);
  std::vector<double> widths, heights;
  for (const leafgen::ToothTruth& tooth : truth.teeth) {
    if (!tooth.inside) continue;
    ++drawn;
    int copies = 0;
    for (std::size_t k = 0; k < reported.size(); ++k) {
      if (cv::norm(reported[k]->tip - tooth.drawn.tip) > reach) continue;
      ++copies;
      ++hits[k];
      if (reported[k]->windows == 0) continue;
      widths.push_back(reported[k]->measures[0] / (tooth.drawn.width() * pixelMm));
      heights.push_back(reported[k]->measures[1] / (tooth.drawn.height() * pixelMm));
    }
    matched += copies > 0;
    score.twice += copies > 1;
  }
  score.recall = drawn ? double(matched) / drawn : 1.0;
  score.precision = reported.empty() ? 1.0
                                     : double(std::count_if(hits.begin(), hits.end(), [](int h) { return h > 0; })) /
                                           reported.size();
  score.widthRatio = median(widths);
  score.heightRatio = median(heights);
  return score;
}

// The teeth the physiognomy cuts off run forward from sinus to tip to sinus, one after the other
// without overlapping, and nine in ten of their sinuses lie within 0.25 mm of a drawn one (the
// others, next to an untoothed stretch, are estimated from the spacing of the teeth).
void expectSpansOnTheDrawnSinuses(const Found& found, double dpi) {
  const LeafShape& shape = found.analysis.shapes[0];
  auto forward = [n = static_cast<int>(shape.outline.size())](int from, int to) { return (to - from + n) % n; };
  int near = 0;
  for (std::size_t k = 0; k < shape.teeth.size(); ++k) {
    const ToothSpan& t = shape.teeth[k];
    EXPECT_GT(forward(t.sinusBefore, t.tip), 0) << k;
    EXPECT_GT(forward(t.sinusBefore, t.sinusAfter), forward(t.sinusBefore, t.tip)) << k;
    EXPECT_TRUE(k == 0 || forward(shape.teeth[k - 1].tip, shape.teeth[k - 1].sinusAfter) <=
                              forward(shape.teeth[k - 1].tip, t.sinusBefore)) << k;
    for (int end : {t.sinusBefore, t.sinusAfter}) {
      double nearest = 1e300;
      for (const leafgen::ToothTruth& drawn : found.truth.leavesInPixels[0].teeth)
        for (cv::Point2d sinus : {drawn.drawn.sinusBefore, drawn.drawn.sinusAfter})
          nearest = std::min(nearest, cv::norm(shape.outline[end] - sinus));
      near += nearest * 25.4 / dpi <= 0.25;
    }
  }
  EXPECT_GE(near, 0.9 * 2 * shape.teeth.size());
}

Scene smallScene(const std::string& preset, cv::Size2d page, double dpi) {
  Scene scene = leafgen::namedScene(preset);
  scene.page = page;
  scene.dpi = dpi;
  return scene;
}

// A blade that runs off the picture is measured all the same: the stretch of its outline on the
// border is left out of the windows and is its border length; the teeth beyond the picture are
// not reported, the ones inside are.
TEST(WholeLeafScenesEdges, ABladeOffThePictureIsMeasuredWithoutItsBorderStretch) {
  const Scene scene = smallScene("blade-off-border", {148.0, 150.0}, 300.0);
  const Found found = analyseScene(scene);
  ASSERT_EQ(found.analysis.leaves.size(), 1u);
  const leafgen::LeafTruth& truth = found.truth.leaves[0];
  ASSERT_GT(truth.borderLength, 5.0);
  EXPECT_NEAR(found.analysis.leaves[0].borderLengthMm, truth.borderLength, 0.03 * truth.borderLength + 0.3);
  // dilp's cut perimeter is the same stretch, in cm, and the visible blade's perimeter holds it.
  const DilpRow& row = found.analysis.leaves[0].dilp;
  EXPECT_NEAR(row.lengthOfCutPerimeter, 0.1 * truth.borderLength, 0.003 * truth.borderLength + 0.03);
  EXPECT_NEAR(row.bladePerimeter, 0.1 * truth.visibleBladePerimeter, 0.005 * truth.visibleBladePerimeter);
  EXPECT_NEAR(row.bladeArea, 0.01 * truth.visibleBladeArea, 0.0002 * truth.visibleBladeArea);
  const ToothScore score = scoreTeeth(found, 0, scene.dpi);
  EXPECT_GE(score.recall, 0.8);
  EXPECT_GE(score.precision, 0.9);
  const LeafPlan& leaf = found.analysis.plan.leaves[0];  // no window runs along the border
  for (const OutlineWindow& w : leaf.windows)
    for (int k = 0; k < w.count; ++k) ASSERT_FALSE(leaf.working.onBorder[leaf.outline().wrap(w.first + k)]);
}

// Two leaves on one scan are two rows in reading order, also when their outlines touch. The teeth
// are drawn 2 mm high: the scene's own 1.3 mm teeth, about 120 degrees at the tip, lie at the
// edge of what the analysis keeps as teeth.
TEST(WholeLeafScenesEdges, TwoLeavesTouchingOrNot) {
  for (const char* preset : {"two-leaves", "touching"}) {
    Scene scene = smallScene(preset, {148.0, 160.0}, 300.0);
    for (leafgen::SceneLeaf& leaf : scene.leaves) leaf.shape.toothHeight = 2.0;
    if (std::string(preset) == "touching")
      scene.leaves[1] = leafgen::touching(scene.leaves[0], scene.leaves[1]);
    const Found found = analyseScene(scene);
    ASSERT_EQ(found.analysis.leaves.size(), 2u) << preset;
    for (const FoundRegion& region : found.analysis.plan.found.leaves) EXPECT_FALSE(region.mayBeSeveral);
    // Reading order: the first leaf is the left one.
    EXPECT_LT(found.analysis.plan.leaves[0].mask.box.x, found.analysis.plan.leaves[1].mask.box.x);
    for (int leaf = 0; leaf < 2; ++leaf) {
      const ToothScore score = scoreTeeth(found, leaf, scene.dpi);
      EXPECT_GE(score.recall, 0.8) << preset << " " << leaf;
      EXPECT_GE(score.precision, 0.9) << preset << " " << leaf;
    }
  }
}

// One leaf as labs scan it: on pink graph paper with a ruler, a label and a printed number at
// 300 dpi, bright on a dark ground at 600 dpi, on white paper, entire; all through JPEG 90. It is
// the one leaf found (nothing else is); its teeth are found once each where they were drawn
// (recall 0.8, precision 0.9 within 0.25 mm), measured as drawn (median width within 5 %,
// height within 10 %); its physiognomy is the drawn one (areas within 2 %, perimeters within
// 5 %, Feret within 2 %, minimum Feret within 3 %, the teeth's area within 20 %, the primary teeth
// within 15 %, the petiole's width within 25 %), and its row trips none of dilp's checks.
struct SceneCase {
  const char* name;
  const char* preset;
  double dpi;
};
void PrintTo(const SceneCase& c, std::ostream* os) { *os << c.name; }

void expectTheDrawnLeaf(const SceneCase& c) {
  Scene scene = smallScene(c.preset, {95.0, 125.0}, c.dpi);
  scene.leaves[0].centre = {47.0, 58.0};
  scene.objects.clear();
  if (std::string(c.preset) == "graph-paper") {
    scene.page = {125.0, 175.0};
    scene.leaves[0].centre = {55.0, 70.0};
    scene.objects = {{leafgen::Ruler{150.0, 22.0, leafgen::RulerMaterial::Transparent}, {110.0, 90.0}, 90.0},
                     {leafgen::Label{}, {40.0, 150.0}, 0.0},
                     {leafgen::Print{"17", 8.0, {40, 40, 40}, false}, {90.0, 160.0}, 0.0}};
  }
  const Found found = analyseScene(scene);
  ASSERT_EQ(found.analysis.leaves.size(), 1u);
  const DilpRow& row = found.analysis.leaves[0].dilp;
  const leafgen::LeafTruth& truth = found.truth.leaves[0];  // mm
  const double cm = 0.1, cm2 = 0.01;
  EXPECT_NEAR(row.bladeArea, truth.bladeArea * cm2, 0.02 * truth.bladeArea * cm2);
  EXPECT_NEAR(row.bladePerimeter, truth.bladePerimeter * cm, 0.05 * truth.bladePerimeter * cm);
  EXPECT_NEAR(row.feret, truth.bladeCalipers.feret * cm, 0.02 * truth.bladeCalipers.feret * cm);
  EXPECT_NEAR(row.minimumFeret, truth.bladeCalipers.minimumFeret * cm,
              0.03 * truth.bladeCalipers.minimumFeret * cm);
  EXPECT_EQ(row.lengthOfCutPerimeter, 0.0);
  ASSERT_TRUE(truth.petioleWidth.has_value());
  EXPECT_NEAR(row.petioleWidth, *truth.petioleWidth * cm, 0.25 * *truth.petioleWidth * cm);
  EXPECT_FALSE(row.subsidiaryTeeth.has_value());
  EXPECT_TRUE(dilpErrors({row}).empty());
  if (truth.teeth.empty()) {
    EXPECT_EQ(row.margin, 1);
    EXPECT_FALSE(row.primaryTeeth.has_value());
    EXPECT_TRUE(std::isnan(row.internalRawBladeArea));
    return;
  }
  expectSpansOnTheDrawnSinuses(found, scene.dpi);
  const ToothScore score = scoreTeeth(found, 0, scene.dpi);
  EXPECT_GE(score.recall, 0.8);
  EXPECT_GE(score.precision, 0.9);
  EXPECT_EQ(score.twice, 0);
  EXPECT_NEAR(score.widthRatio, 1.0, 0.05);
  EXPECT_NEAR(score.heightRatio, 1.0, 0.10);
  EXPECT_EQ(row.margin, 0);
  EXPECT_EQ(row.rawBladeArea, row.bladeArea);
  EXPECT_NEAR(row.internalRawBladeArea, truth.internalArea * cm2, 0.02 * truth.internalArea * cm2);
  EXPECT_NEAR(row.internalRawBladePerimeter, truth.internalPerimeter * cm, 0.05 * truth.internalPerimeter * cm);
  const double toothArea = (truth.bladeArea - truth.internalArea) * cm2;
  EXPECT_NEAR(row.rawBladeArea - row.internalRawBladeArea, toothArea, 0.2 * toothArea);
  ASSERT_TRUE(row.primaryTeeth.has_value());
  EXPECT_NEAR(*row.primaryTeeth, truth.teeth.size(), 0.15 * truth.teeth.size());
}

class WholeLeafScenes : public ::testing::TestWithParam<SceneCase> {};
TEST_P(WholeLeafScenes, TheDrawnLeaf) { expectTheDrawnLeaf(GetParam()); }
INSTANTIATE_TEST_SUITE_P(AsLabsScan, WholeLeafScenes,
                         ::testing::Values(SceneCase{"GraphPaperRuler300", "graph-paper", 300.0},
                                           SceneCase{"DarkGround600", "dark", 600.0},
                                           SceneCase{"Paper300", "paper", 300.0},
                                           SceneCase{"Entire300", "entire", 300.0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The same at 1200 dpi, a 16-megapixel page (slow).
class WholeLeafScenesSlow : public ::testing::TestWithParam<SceneCase> {};
TEST_P(WholeLeafScenesSlow, TheDrawnLeaf) { expectTheDrawnLeaf(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Fine, WholeLeafScenesSlow,
                         ::testing::Values(SceneCase{"Paper1200", "paper", 1200.0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace leafmargin
