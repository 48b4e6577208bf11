// The measurement stage: which teeth and sinuses are measured with which neighbours, in what
// order, with which trace, which files; lists that stay consistent when entries are missing;
// and the tooth and sinus measures of known and degenerate triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "measure/measure_teeth.h"
#include "measure/tooth_geometry.h"
#include "outline_fixture.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::DenseOutline;
using testing::densify;
using testing::positionsOf;

// A margin hanging below the leaf: tips at y = 300, sinus bottoms at y = 200, at the given x.
struct Margin { DenseOutline outline; std::vector<int> dents, sinus; };

Margin zigzag(const std::vector<int>& xs, bool startsWithSinus) {
  Margin m;
  std::vector<cv::Point> vertices;
  std::vector<int> tipVertices, sinusVertices;
  for (size_t v = 0; v < xs.size(); ++v) {
    const bool isSinus = (v % 2 == 0) == startsWithSinus;
    vertices.emplace_back(xs[v], isSinus ? 200 : 300);
    (isSinus ? sinusVertices : tipVertices).push_back(static_cast<int>(v));
  }
  m.outline = densify(vertices);
  m.dents = positionsOf(m.outline, tipVertices);
  m.sinus = positionsOf(m.outline, sinusVertices);
  return m;
}

struct StageRun { MeasureTeethResult result; std::string trace; };

StageRun runStage(const std::vector<cv::Point>& outline, const std::vector<int>& dents,
                  const std::vector<int>& sinus, const std::string& directory = "",
                  bool writeImages = false) {
  std::ostringstream trace;
  RunOutput out{trace, directory, writeImages};
  const cv::Mat source(400, 600, CV_8UC3, cv::Scalar(20, 20, 20));
  cv::Mat mask = cv::Mat::zeros(400, 600, CV_8UC1);
  cv::Mat drawing = source.clone();
  StageRun run;
  run.result = measureTeeth(outline, dents, sinus, source, mask, drawing, out);
  run.trace = trace.str();
  return run;
}

// The stage's own markers, with each apical measurement shown as "tooth".
std::vector<std::string> markers(const std::string& trace) {
  std::vector<std::string> out;
  std::istringstream lines(trace);
  std::string line;
  const auto isCount = [](const std::string& s) {
    return s.size() > 2 && s.rfind("i=", 0) == 0 && s.find_first_not_of("0123456789", 2) == std::string::npos;
  };
  while (std::getline(lines, line)) {
    if (line == "yyyy" || line == "pp" || isCount(line)) out.push_back(line);
    if (line.rfind("deltaG", 0) == 0) out.push_back("tooth");
  }
  return out;
}

using Markers = std::vector<std::string>;

void expectCounts(const MeasureTeethResult& result, std::size_t teeth, std::size_t sinuses) {
  EXPECT_EQ(result.record.teeth.size(), teeth);
  EXPECT_EQ(result.teeth.size(), teeth);
  EXPECT_EQ(result.record.sinuses.size(), sinuses);
}

TEST(ToothPairing, TeethAndSinusesWithTheirNeighbours) {
  // Tips at positions 10, 20, ... and sinuses at 15, 25, ... (5 when the margin starts with one).
  struct Case {
    int tips, sinuses;
    bool sinusFirst;
    std::vector<std::vector<int>> teeth, measuredSinuses;  // {rank, tip or bottom, before, after}
  };
  const Case cases[] = {
      {3, 2, false, {{1, 20, 15, 25}}, {{0, 15, 10, 20}, {1, 25, 20, 30}}},
      {3, 4, true, {{0, 10, 5, 15}, {1, 20, 15, 25}, {2, 30, 25, 35}}, {{0, 15, 10, 20}, {1, 25, 20, 30}}},
      {3, 1, false, {}, {{0, 15, 10, 20}}},              // one sinus: no tooth between two
      {1, 2, true, {{0, 10, 5, 15}}, {}},                // a single tip between two sinuses
      {1, 1, true, {}, {}},                              // a sinus then a tip, nothing after
      {3, 0, false, {}, {}},
      {0, 3, true, {}, {}},
      {2, 5, false, {{1, 20, 15, 25}}, {{0, 15, 10, 20}}},  // more sinuses than the tips need
  };
  for (const Case& c : cases) {
    std::vector<int> dents, sinus;
    for (int t = 0; t < c.tips; ++t) dents.push_back(10 * (t + 1));
    for (int s = 0; s < c.sinuses; ++s) sinus.push_back(10 * (s + 1) + (c.sinusFirst ? -5 : 5));
    const ToothPairing p = pairTeethAndSinuses(dents, sinus, c.sinusFirst);
    SCOPED_TRACE(::testing::Message() << c.tips << " tips, " << c.sinuses << " sinuses, first "
                                      << (c.sinusFirst ? "sinus" : "tip"));
    std::vector<std::vector<int>> teeth, sinuses;
    for (const MeasuredTooth& t : p.teeth) teeth.push_back({t.rank, t.tip, t.sinusBefore, t.sinusAfter});
    for (const MeasuredSinus& s : p.sinuses) sinuses.push_back({s.rank, s.bottom, s.tipBefore, s.tipAfter});
    EXPECT_EQ(teeth, c.teeth);
    EXPECT_EQ(sinuses, c.measuredSinuses);
  }
}

TEST(MeasureTeeth, EachToothBetweenItsTwoSinusesAndEachSinusBetweenItsTwoTips) {
  // Vertices T0 S0 T1 S1 T2 S2 T3 (tip first) or S0 T0 S1 T1 S2 T2 S3 (sinus first), unevenly
  // spaced so that every width tells its neighbours. Tip first, the first and last tips are
  // not teeth; sinus first, the first tip is measured before the loop.
  struct Case { bool sinusFirst; Markers markers; std::vector<double> toothWidths, sinusWidths; };
  const Case cases[] = {
      {false, {"yyyy", "pp", "i=0", "tooth", "i=1", "tooth", "i=2"}, {150, 190}, {130, 170, 210}},
      {true, {"yyyy", "pp", "tooth", "i=0", "tooth", "i=1", "tooth"}, {130, 170, 210}, {150, 190}},
  };
  for (const Case& c : cases) {
    const Margin m = zigzag({40, 100, 170, 250, 340, 440, 550}, c.sinusFirst);
    const StageRun run = runStage(m.outline.points, m.dents, m.sinus);
    const MeasurementRecord& r = run.result.record;
    EXPECT_EQ(markers(run.trace), c.markers);
    EXPECT_EQ(seriesOf(r.teeth, &ToothRecord::largeurDent), c.toothWidths);
    EXPECT_EQ(seriesOf(r.sinuses, &SinusRecord::largeurSinus), c.sinusWidths);
    expectCounts(run.result, c.toothWidths.size(), c.sinusWidths.size());
    for (const ToothRecord& t : r.teeth) {
      EXPECT_FALSE(std::isnan(t.angleApical));
      EXPECT_FALSE(std::isnan(t.symetrieCentre));
      EXPECT_FALSE(std::isnan(t.symetriePerpendiculaire));
    }
  }
}

TEST(MeasureTeeth, MissingEntriesShortenTheListsConsistently) {
  const Margin m = zigzag({40, 100, 170, 250, 340, 440, 550}, true);
  const std::vector<int>& d = m.dents;   // 3 tips
  const std::vector<int>& s = m.sinus;   // 4 sinuses, the first before the first tip
  struct Case { std::vector<int> dents, sinus; std::size_t teeth, sinuses; };
  const std::vector<Case> cases{
      {{d[0]}, {s[0]}, 0, 0},        // a sinus, then a single tip with nothing after
      {{d[0]}, {s[0], s[1]}, 1, 0},  // a sinus, a single tip, a sinus
      {d, {s[1]}, 0, 1},             // far too few sinuses
      {{d[0], d[1]}, s, 2, 1},       // more sinuses than the tips need
  };
  for (const Case& c : cases) {
    const StageRun run = runStage(m.outline.points, c.dents, c.sinus);
    SCOPED_TRACE(::testing::Message() << c.dents.size() << " tips, " << c.sinus.size() << " sinuses");
    expectCounts(run.result, c.teeth, c.sinuses);
  }
  // With a single tip no "i=" line at all; with none either.
  EXPECT_EQ(markers(runStage(m.outline.points, {d[0]}, s).trace), (Markers{"yyyy", "pp", "tooth"}));
  EXPECT_EQ(markers(runStage(m.outline.points, {}, s).trace), (Markers{"yyyy", "pp"}));
  // Without sinuses the loop still counts its steps.
  EXPECT_EQ(markers(runStage(m.outline.points, d, {}).trace), (Markers{"yyyy", "pp", "i=0", "i=1"}));
}

TEST(MeasureTeethFiles, BugStopsTheStageAfterKeepingTheRaysDrawnSoFar) {
  const testing::ScratchDir dir("measure-teeth");
  const auto exists = [&dir](const char* name) { return std::filesystem::exists(dir.path() / name); };
  // The margin runs right to left; the second tooth's far flank runs down column 0.
  const std::vector<cv::Point> vertices{{300, 300}, {240, 200}, {180, 300}, {120, 200},
                                        {0, 300},   {0, 150},   {0, 50}};
  const DenseOutline o = densify(vertices);
  const StageRun run = runStage(o.points, positionsOf(o, {0, 2, 4, 6}), positionsOf(o, {1, 3, 5}),
                                dir.path().string(), true);
  ASSERT_TRUE(run.result.failure);
  EXPECT_EQ(run.result.failure->message, "bug !");
  EXPECT_EQ(markers(run.trace), (Markers{"yyyy", "pp", "i=0", "tooth", "i=1", "tooth"}));
  EXPECT_NE(run.trace.find("\nDg["), std::string::npos);  // the first tooth was found
  EXPECT_TRUE(exists("drawing77.jpg"));
  EXPECT_FALSE(exists("drawing4.jpg"));
  EXPECT_FALSE(exists("gauche.jpg"));
}

TEST(ToothGeometry, IsoscelesToothAndSinus) {
  std::ostringstream diag;
  // Tip straight above (on screen) the middle of a horizontal base; the perpendicular's foot
  // lands at (198, 300), two columns left of the midpoint (its carrier leans by one column).
  const ToothMeasure m = measureTooth({200, 150}, {100, 300}, {300, 300}, diag);
  EXPECT_DOUBLE_EQ(m.width, 200.0);
  EXPECT_DOUBLE_EQ(m.height, std::hypot(2.0, 150.0));
  EXPECT_DOUBLE_EQ(m.ratio, std::hypot(2.0, 150.0) / 200.0);
  EXPECT_DOUBLE_EQ(m.tipAngle, 2.0 * std::atan2(100.0, 150.0));
  // The same tooth turned by a right angle: a vertical base, within a pixel.
  const ToothMeasure turned = measureTooth({450, 200}, {300, 100}, {300, 300}, diag);
  EXPECT_DOUBLE_EQ(turned.width, 200.0);
  EXPECT_NEAR(turned.height, 150.0, 1.0);
  EXPECT_DOUBLE_EQ(turned.tipAngle, m.tipAngle);

  const SinusMeasure s = measureSinus({150, 100}, {100, 180}, {250, 180}, diag);
  EXPECT_DOUBLE_EQ(s.width, 150.0);
  EXPECT_DOUBLE_EQ(s.height, std::hypot(2.0, 80.0));  // foot (148, 180)
  EXPECT_DOUBLE_EQ(s.angle, std::atan2(50.0, 80.0) + std::atan2(100.0, 80.0));
  EXPECT_EQ(diag.str(), "");
}

TEST(ToothGeometry, DegenerateTeethPassTheirValuesThrough) {
  std::ostringstream diag;
  // Both sinuses on one point: an empty base and an infinite ratio.
  const ToothMeasure flat = measureTooth({10, 10}, {50, 50}, {50, 50}, diag);
  EXPECT_EQ(flat.width, 0.0);
  EXPECT_TRUE(std::isinf(flat.ratio));
  // A sinus on the tip itself: the angle is undefined and says so on the trace.
  const ToothMeasure onTip = measureTooth({10, 10}, {10, 10}, {50, 50}, diag);
  EXPECT_TRUE(std::isnan(onTip.tipAngle));
  EXPECT_EQ(diag.str().rfind("erreur angle 3 points ! center : [10, 10] A : [10, 10]", 0), 0u);
}

}  // namespace
}  // namespace leafmargin
