// The whole margin analysis on margins drawn by the leaf generator and sampled as the outline
// stage samples them. With flat shoulders at the sinus line, a margin of N teeth gives 2N
// crossings when it starts on a shoulder (runs: N tooth runs, N - 1 sinus runs, tooth first)
// and 2N - 1 when it starts 40 points before the first tip (N - 1 sinus runs, then teeth 2..N:
// sinus first). Well-formed teeth (about 80 degrees, 78 pixels between tip and sinus) pass the
// close-pair and blunt-pair passes untouched, so the end trim alone decides the counts: tooth
// first N - 2 teeth and N - 3 sinuses, sinus first N - 3 of each; the wide-tooth pass has
// nothing over 140 degrees to remove.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "margin/margin_analysis.h"
#include "outline/leaf_outline.h"

namespace leafmargin {
namespace {

using leafgen::LeafSpec;
using leafgen::ToothShape;

struct SampledMargin { std::vector<cv::Point> outline, smooth; };

SampledMargin sample(const std::vector<cv::Point>& polyline, int width) {
  SampledMargin m;
  EXPECT_TRUE(sampleOutline(polyline, cv::Size(width, 2000), m.outline, m.smooth));
  return m;
}

LeafSpec flatShoulders(int teeth, ToothShape shape) {
  LeafSpec design;
  design.teeth = teeth;
  design.shape = shape;
  design.width = teeth * design.toothWidth + 300;
  design.shoulderRise = 0;
  return design;
}

// The margin from 40 points before the first tip onward: polyline [shoulder, sinus 0, tip 1, ...].
std::vector<cv::Point> startingInsideTheFirstTooth(const LeafSpec& design) {
  std::vector<cv::Point> margin = leafgen::marginPolyline(design);
  const cv::Point sinus = margin[1], tip = margin[2];
  const int steps = std::max(std::abs(tip.x - sinus.x), std::abs(tip.y - sinus.y));
  const cv::Point start = tip + (sinus - tip) * 40 / steps;
  margin.erase(margin.begin(), margin.begin() + 2);
  margin.insert(margin.begin(), start);
  return margin;
}

struct Analysed { MarginAnalysis result; std::string trace; };

Analysed analyse(const SampledMargin& m) {
  std::ostringstream trace;
  const RunOutput out{trace, "", false};
  cv::Mat noDrawing;
  return {analyseMargin(m.outline, m.smooth, noDrawing, out), trace.str()};
}

void expectNear(const std::vector<cv::Point>& outline, const std::vector<int>& positions,
                const std::vector<cv::Point>& expected) {
  ASSERT_EQ(positions.size(), expected.size());
  for (size_t k = 0; k < positions.size(); ++k)
    EXPECT_LE(cv::norm(outline[positions[k]] - expected[k]), 3.0) << k;
}

TEST(SyntheticMargin, InnerTeethAndSinusesSurviveInBothStartingOrders) {
  for (bool sinusFirst : {false, true}) {
    for (ToothShape shape : {ToothShape::Symmetric, ToothShape::Saw}) {
      for (int n : {3, 4, 6, 9}) {
        const LeafSpec design = flatShoulders(n, shape);
        const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
        const SampledMargin m = sample(sinusFirst ? startingInsideTheFirstTooth(design)
                                                  : leafgen::marginPolyline(design),
                                       design.width);
        const Analysed a = analyse(m);
        SCOPED_TRACE(std::string(leafgen::toothShapeName(shape)) + " " + std::to_string(n) +
                     (sinusFirst ? " sinus first" : " tooth first"));
        EXPECT_EQ(a.result.commenceParSinus, sinusFirst);
        expectNear(m.outline, a.result.dents,
                   std::vector<cv::Point>(leaf.tips.begin() + 1 + sinusFirst, leaf.tips.end() - 1));
        expectNear(m.outline, a.result.sinus,
                   std::vector<cv::Point>(leaf.sinuses.begin() + 2, leaf.sinuses.end() - 2));
        EXPECT_EQ(a.trace,
                  "okok\nhh\njj\nkk\nll\nmm\nnn\noo\npp\nqq\nrr\nss\nrr\ncommence par sinus : " +
                      std::to_string(sinusFirst) + "\nsinuses found : " + std::to_string(n - 3) +
                      "\nteeth found : " + std::to_string(n - 2 - sinusFirst) + "\n");
      }
    }
  }
}

}  // namespace
}  // namespace leafmargin
