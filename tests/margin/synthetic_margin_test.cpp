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
#include <chrono>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "margin/candidate_filters.h"
#include "margin/candidates.h"
#include "margin/literal_oracles.h"
#include "margin/margin_analysis.h"
#include "margin/vertical_offset.h"
#include "segmentation/leaf_outline.h"

namespace leafmargin {
namespace {

using leafgen::LeafSpec;
using leafgen::ToothShape;

struct SampledMargin {
  std::vector<cv::Point> outline, smooth;
};

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

struct Analysed {
  MarginAnalysis result;
  std::string trace;
};

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

TEST(SyntheticMargin, ToothFirstKeepsTheInnerTeethAndSinuses) {
  for (ToothShape shape : {ToothShape::Symmetric, ToothShape::Saw}) {
    for (int n : {3, 4, 6, 9}) {
      const LeafSpec design = flatShoulders(n, shape);
      const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
      const SampledMargin m = sample(leafgen::marginPolyline(design), design.width);
      const Analysed a = analyse(m);
      SCOPED_TRACE(std::string(leafgen::toothShapeName(shape)) + " " + std::to_string(n));
      EXPECT_FALSE(a.result.commenceParSinus);
      expectNear(m.outline, a.result.dents,
                 std::vector<cv::Point>(leaf.tips.begin() + 1, leaf.tips.end() - 1));
      expectNear(m.outline, a.result.sinus,
                 std::vector<cv::Point>(leaf.sinuses.begin() + 2, leaf.sinuses.end() - 2));
      EXPECT_EQ(a.trace,
                "okok\nhh\njj\nkk\nll\nmm\nnn\noo\npp\nqq\nrr\nss\nrr\n"
                "commence par sinus : 0\nsinuses found : " +
                    std::to_string(n - 3) + "\nteeth found : " + std::to_string(n - 2) + "\n");
    }
  }
}

TEST(SyntheticMargin, SinusFirstKeepsAsManyTeethAsSinuses) {
  for (ToothShape shape : {ToothShape::Symmetric, ToothShape::Saw}) {
    for (int n : {3, 5, 8}) {
      const LeafSpec design = flatShoulders(n, shape);
      const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
      const SampledMargin m = sample(startingInsideTheFirstTooth(design), design.width);
      const Analysed a = analyse(m);
      SCOPED_TRACE(std::string(leafgen::toothShapeName(shape)) + " " + std::to_string(n));
      EXPECT_TRUE(a.result.commenceParSinus);
      expectNear(m.outline, a.result.dents,
                 std::vector<cv::Point>(leaf.tips.begin() + 2, leaf.tips.end() - 1));
      expectNear(m.outline, a.result.sinus,
                 std::vector<cv::Point>(leaf.sinuses.begin() + 2, leaf.sinuses.end() - 2));
    }
  }
}

TEST(SyntheticMargin, GentlyWavyMarginHasNoTeeth) {
  for (int amplitude : {2, 4, 8}) {
    std::vector<cv::Point> wave;
    for (int x = 0; x <= 1500; x += 10)
      wave.emplace_back(x, 200 + static_cast<int>(std::lround(amplitude * std::sin(x / 50.0))));
    const SampledMargin m = sample(wave, 1501);
    // Every wiggle around the smooth outline is a candidate; the blunt-pair passes take them all.
    std::ostringstream trace;
    EXPECT_GT(findToothSinusCandidates(m.outline, m.smooth, trace).dents.size(), 20u);
    const Analysed a = analyse(m);
    EXPECT_TRUE(a.result.dents.empty()) << amplitude;
    EXPECT_NE(a.trace.find("teeth found : 0\n"), std::string::npos);
  }
}

TEST(SyntheticMargin, MarksTipsOverSinusesAndWritesTheDrawing) {
  const LeafSpec design = flatShoulders(5, ToothShape::Symmetric);
  const SampledMargin m = sample(leafgen::marginPolyline(design), design.width);
  cv::Mat drawing = cv::Mat::zeros(400, design.width, CV_8UC3);
  std::ostringstream trace;
  const std::string dir = ::testing::TempDir();
  const MarginAnalysis result = analyseMargin(m.outline, m.smooth, drawing, RunOutput{trace, dir});
  ASSERT_EQ(result.dents.size(), 3u);
  EXPECT_EQ(drawing.at<cv::Vec3b>(m.outline[result.dents[0]]), cv::Vec3b(0, 255, 0));
  EXPECT_EQ(drawing.at<cv::Vec3b>(m.outline[result.sinus[0]] + cv::Point(0, 3)),
            cv::Vec3b(0, 255, 255));
  EXPECT_EQ(drawing.at<cv::Vec3b>(m.outline[result.sinus[0]] + cv::Point(0, 4)),
            cv::Vec3b(0, 0, 0));
  EXPECT_FALSE(cv::imread(RunOutput{trace, dir}.path("drawing4.jpg")).empty());
}

// A long toothed margin of about 30000 points: the analysis against the literal procedures.
TEST(SyntheticMargin, ThirtyThousandPointsInMilliseconds) {
  LeafSpec design = flatShoulders(179, ToothShape::Saw);
  design.toothWidth = 120;
  design.toothHeight = 70;
  design.width = design.teeth * design.toothWidth + 300;
  const SampledMargin m = sample(leafgen::marginPolyline(design), design.width);
  ASSERT_GE(m.outline.size(), 29000u);
  ASSERT_LE(m.outline.size(), 31000u);

  using Clock = std::chrono::steady_clock;
  const auto seconds = [](Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
  };
  // The best of three runs, so that a busy machine does not decide the figure.
  Analysed fast;
  double fastSeconds = 1e9;
  for (int run = 0; run < 3; ++run) {
    const Clock::time_point start = Clock::now();
    fast = analyse(m);
    fastSeconds = std::min(fastSeconds, seconds(start));
  }

  // The literal side flags, angle profile and order searches on the same outline.
  const Clock::time_point start = Clock::now();
  std::vector<bool> below(m.outline.size());
  for (size_t i = 0; i < m.outline.size(); ++i)
    below[i] = oracle::verticalOffset(m.outline[i], m.smooth) < 0;
  std::ostringstream diag;
  const std::vector<double> profile = oracle::angleProfile(m.outline, diag);
  const CandidateLists literal = candidatesFromRuns(findCrossings(below), below, profile);
  const int literalOrder = oracle::firstPositionOfPoint(m.outline, m.outline[literal.sinus[0]]) -
                           oracle::firstPositionOfPoint(m.outline, m.outline[literal.dents[0]]);
  const double literalSeconds = seconds(start);

  std::ostringstream trace;
  EXPECT_EQ(findToothSinusCandidates(m.outline, m.smooth, trace).dents, literal.dents);
  EXPECT_EQ(literalOrder > 0, !fast.result.commenceParSinus);
  EXPECT_EQ(fast.result.dents.size(), 177u);
  std::cout << "margin analysis of " << m.outline.size() << " points: " << fastSeconds * 1e3
            << " ms; literal side flags and angle profile: " << literalSeconds * 1e3
            << " ms (ratio " << literalSeconds / fastSeconds << ")" << std::endl;
  EXPECT_LT(fastSeconds * 5, literalSeconds);
}

}  // namespace
}  // namespace leafmargin
