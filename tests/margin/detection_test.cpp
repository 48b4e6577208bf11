// Candidate detection: the side of the smooth outline, the angle profile and the runs, against
// the literal procedures on random chains and on hand-made cases at every threshold.
#include <gtest/gtest.h>

#include <sstream>

#include "margin/angle_profile.h"
#include "margin/candidates.h"
#include "margin/literal_oracles.h"
#include "margin/vertical_offset.h"

namespace leafmargin {
namespace {

TEST(ReferenceCurve, ChoosesTheSegmentOfTheLiteralScanOnRandomCurves) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 400; ++trial) {
    const int m = 2 + trial % 150;
    // Every fourth curve is a scatter of unrelated points rather than a chain, and every fifth
    // is spread over so many columns that the lookup falls back to a binary search.
    std::vector<cv::Point> curve = oracle::randomDenseChain(rng, m);
    if (trial % 4 == 3)
      for (cv::Point& p : curve) p = {std::uniform_int_distribution<int>(-80, 80)(rng), p.y};
    const int scale = trial % 5 == 4 ? 100000 : 1;
    for (cv::Point& p : curve) p.x *= scale;
    const ReferenceCurve reference(curve);
    std::vector<cv::Point> points = oracle::randomDenseChain(rng, 120);
    for (cv::Point& p : points)
      p.x = std::uniform_int_distribution<int>(-200, 200)(rng) * scale +
            std::uniform_int_distribution<int>(-1, 1)(rng);
    for (const cv::Point& p : points) {
      ASSERT_EQ(reference.segmentEndAt(p.x), oracle::segmentEnd(curve, p.x)) << trial;
      ASSERT_EQ(reference.verticalOffsetToCurve(p), oracle::verticalOffset(p, curve)) << trial;
      ASSERT_EQ(reference.distanceToCurve(p), oracle::distanceToCurve(p, curve)) << trial;
    }
    const std::vector<bool> below = belowCurveFlags(points, curve);
    for (size_t i = 0; i < points.size(); ++i)
      ASSERT_EQ(below[i], oracle::verticalOffset(points[i], curve) < 0);
  }
}

TEST(ReferenceCurve, EndSegmentsZeroOffsetAndShortCurves) {
  // C[0] is never tested: any x below C[1].x reads the segment C[0]-C[1].
  const std::vector<cv::Point> curve{{50, 10}, {20, 10}, {21, 11}, {22, 12}, {22, 13}, {25, 20}};
  EXPECT_EQ(ReferenceCurve(curve).segmentEndAt(-1000), 1);
  EXPECT_EQ(ReferenceCurve(curve).segmentEndAt(19), 1);
  EXPECT_EQ(ReferenceCurve(curve).segmentEndAt(20), 2);
  // At or past every x of C[1..m-2]: the last segment, whatever it looks like.
  EXPECT_EQ(ReferenceCurve(curve).segmentEndAt(22), 5);
  EXPECT_EQ(ReferenceCurve(curve).verticalOffsetToCurve({24, 17}), 0);  // y 17.857 on the last segment
  EXPECT_EQ(ReferenceCurve(curve).verticalOffsetToCurve({24, 18}), -1);
  EXPECT_EQ(belowCurveFlags({{24, 17}, {24, 18}}, curve), (std::vector<bool>{false, true}));
  // A vertical end segment has height 0: everything at positive y lies below it.
  const std::vector<cv::Point> steep{{0, 5}, {3, 5}, {4, 6}, {4, 9}};
  EXPECT_EQ(ReferenceCurve(steep).verticalOffsetToCurve({9, 2}), -2);
  EXPECT_EQ(ReferenceCurve(steep).distanceToCurve({9, 2}), 5);
  EXPECT_EQ(ReferenceCurve(steep).distanceToCurve({1, 8}), 3);
  // No height without two points: nothing is below.
  EXPECT_EQ(belowCurveFlags({{0, 100}}, {{0, 0}}), std::vector<bool>{false});
}

TEST(AngleProfile, EqualsTheLiteralWalkOnRandomChains) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 160; ++trial) {
    const int n = trial < 20 ? trial * 4 : 40 + (trial * 37) % 700;
    // Some chains shuffle inside a small square for their whole length.
    const int spread = trial % 3 == 0 ? 4 + trial % 20 : 0;
    const std::vector<cv::Point> chain = oracle::randomDenseChain(rng, n, spread);
    const OutlineReach reach(chain);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(reach.before(i), oracle::reachBefore(chain, i)) << trial << " " << i;
      ASSERT_EQ(reach.after(i), oracle::reachAfter(chain, i)) << trial << " " << i;
    }
    std::ostringstream fastDiag, literalDiag;
    const std::vector<double> fast = angleProfile(chain, fastDiag);
    const std::vector<double> literal = oracle::angleProfile(chain, literalDiag);
    ASSERT_EQ(fast.size(), literal.size());
    for (size_t i = 0; i < fast.size(); ++i) ASSERT_EQ(fast[i], literal[i]) << trial << " " << i;
    EXPECT_EQ(fastDiag.str(), literalDiag.str());
  }
}

TEST(AngleProfile, ReachStopsAtTheFirstPointBeyondThirtyPixels) {
  EXPECT_TRUE(withinReach({18, 24}, {0, 0}));
  EXPECT_TRUE(withinReach({-24, -18}, {0, 0}));
  EXPECT_FALSE(withinReach({18, 25}, {0, 0}));
  EXPECT_FALSE(withinReach({31, 0}, {0, 0}));
  // From point 2: (18, 25) is out of reach, so (1, 1) behind it does not count.
  const std::vector<cv::Point> back{{1, 1}, {18, 25}, {0, 0}, {18, 24}, {40, 0}};
  const OutlineReach reach(back);
  EXPECT_EQ(reach.before(2), 2);
  EXPECT_EQ(reach.after(2), 3);
  EXPECT_EQ(reach.before(4), 4);
}

TEST(AngleProfile, TruncatedMeansAndTheStraightAngleForAMissingSide) {
  // 61 points: only point 30 gets an angle. Its forward stretch is points 30 and 31, mean
  // (-7, 1)/2 = (-3, 0) truncated toward zero (not -4); its backward stretch is itself only,
  // since point 29 is far away, so the angle is NaN and stored as the straight angle.
  std::vector<cv::Point> chain(61, cv::Point(500, 500));
  for (int k = 0; k < 61; ++k) chain[k] = {1000 + 100 * k, 0};
  chain[30] = {-3, 0};
  chain[31] = {-4, 1};
  std::ostringstream diag;
  const std::vector<double> profile = angleProfile(chain, diag);
  ASSERT_EQ(profile.size(), 61u);
  EXPECT_EQ(profile[30], 3.14159265359);
  EXPECT_NE(diag.str().find("erreur angle 3 points ! center : [-3, 0] A : [-3, 0] B : [-3, 0]"),
            std::string::npos);
  for (int k : {0, 29, 31, 60}) EXPECT_EQ(profile[k], kNoAngle);
  EXPECT_EQ(angleProfile(std::vector<cv::Point>(10), diag).size(), 60u);
}

std::vector<bool> flagsWithRuns(int n, std::vector<std::pair<int, int>> belowRanges) {
  std::vector<bool> below(n, false);
  for (auto [from, to] : belowRanges)
    for (int i = from; i <= to; ++i) below[i] = true;
  return below;
}

TEST(Candidates, CrossingsOnlyBetween32AndNMinus31) {
  // Changes at 31 and at n-30 are outside the window.
  EXPECT_EQ(findCrossings(flagsWithRuns(100, {{31, 40}, {60, 69}})), (std::vector<int>{41, 60}));
  EXPECT_EQ(findCrossings(flagsWithRuns(100, {{32, 40}, {69, 99}})),
            (std::vector<int>{32, 41, 69}));
  EXPECT_EQ(findCrossings(flagsWithRuns(100, {{70, 99}})), std::vector<int>{});
  EXPECT_TRUE(findCrossings(flagsWithRuns(62, {{40, 45}})).empty());
  EXPECT_EQ(findCrossings(flagsWithRuns(63, {{32, 45}})), std::vector<int>{32});
}

TEST(Candidates, OneCandidatePerRunClassedByTheFirstRunAndParity) {
  std::vector<double> profile(100, 2.0);
  profile[45] = profile[47] = 1.0;  // a tie inside run 0: the earlier wins
  profile[50] = 0.5;                // on the crossing shared by runs 0 and 1
  // Run 0 = 40..50 lies below: a tooth run; run 1 = 50..60 is a sinus run.
  const std::vector<bool> below = flagsWithRuns(100, {{40, 49}});
  CandidateLists lists = candidatesFromRuns({40, 50, 60}, below, profile);
  EXPECT_EQ(lists.dents, std::vector<int>{50});
  EXPECT_EQ(lists.sinus, std::vector<int>{50});
  profile[50] = 2.0;
  lists = candidatesFromRuns({40, 50, 60, 70}, below, profile);
  EXPECT_EQ(lists.dents, (std::vector<int>{45, 60}));
  EXPECT_EQ(lists.sinus, std::vector<int>{50});
  // The first run not below: even runs are sinus runs. A first run of length 1 reads flag c[0].
  lists = candidatesFromRuns({40, 41, 60}, flagsWithRuns(100, {{41, 59}}), profile);
  EXPECT_EQ(lists.sinus, std::vector<int>{40});
  EXPECT_EQ(lists.dents, std::vector<int>{45});
  EXPECT_TRUE(candidatesFromRuns({40}, below, profile).dents.empty());
}

TEST(Candidates, ShortOrUncrossedOutlinesGiveNoCandidatesButTheFullTrace) {
  const std::vector<cv::Point> smooth{{0, 10}, {100, 10}};
  for (int n : {0, 1, 29, 62, 200}) {
    std::vector<cv::Point> outline;
    for (int k = 0; k < n; ++k) outline.emplace_back(k, 20);  // all below, never crossing
    std::ostringstream trace;
    const CandidateLists lists = findToothSinusCandidates(outline, smooth, trace);
    EXPECT_TRUE(lists.dents.empty() && lists.sinus.empty()) << n;
    EXPECT_EQ(trace.str(), "okok\nhh\njj\nkk\nll\n") << n;
  }
}

}  // namespace
}  // namespace leafmargin
