// Candidate detection: the side of the smooth outline and the angle profile against the
// literal procedures on random chains, and the thresholds of the reach, the crossings and the
// runs on hand-made cases.
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
    const std::vector<bool> below = belowCurveFlags(points, curve);
    for (size_t i = 0; i < points.size(); ++i) {
      const cv::Point p = points[i];
      ASSERT_EQ(reference.verticalOffsetToCurve(p), oracle::verticalOffset(p, curve)) << trial;
      ASSERT_EQ(reference.distanceToCurve(p), oracle::distanceToCurve(p, curve)) << trial;
      ASSERT_EQ(below[i], oracle::verticalOffset(p, curve) < 0) << trial;
    }
  }
  // Offset 0 is not below, -1 is (y 17.857 on the last segment); a curve of one point has no
  // height, so nothing is below it.
  const std::vector<cv::Point> curve{{50, 10}, {20, 10}, {21, 11}, {22, 12}, {22, 13}, {25, 20}};
  EXPECT_EQ(belowCurveFlags({{24, 17}, {24, 18}}, curve), (std::vector<bool>{false, true}));
  EXPECT_EQ(belowCurveFlags({{0, 100}}, {{0, 0}}), std::vector<bool>{false});
}

TEST(AngleProfile, EqualsTheLiteralWalkOnRandomChains) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 160; ++trial) {
    const int n = trial < 20 ? trial * 4 : 40 + (trial * 37) % 700;
    // Some chains shuffle inside a small square for their whole length.
    const int spread = trial % 3 == 0 ? 4 + trial % 20 : 0;
    std::vector<cv::Point> chain = oracle::randomDenseChain(rng, n, spread);
    // Others jump now and then, by up to 28 pixels each way; or turn by two steps (a, b) then
    // (b, a), each within reach and together beyond it.
    if (trial % 3 == 1) {
      std::uniform_int_distribution<int> gap(2, 60), offset(-28, 28), shortSide(9, 10), longSide(13, 14);
      const auto shiftFrom = [&](int first, cv::Point by) {
        for (int k = first; k < n; ++k) chain[k] += by;
      };
      for (int cut = gap(rng); cut + 1 < n; cut += gap(rng)) {
        if (trial % 2 == 0) {
          const int a = shortSide(rng), b = longSide(rng), sign = offset(rng) < 0 ? -1 : 1;
          shiftFrom(cut, sign * cv::Point(a, b));
          shiftFrom(cut + 1, sign * cv::Point(b, a));
        } else {
          shiftFrom(cut, cv::Point(offset(rng), offset(rng)));
        }
      }
    }
    const OutlineReach reach(chain);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(reach.before(i), oracle::reachBefore(chain, i)) << trial << " " << i;
      ASSERT_EQ(reach.after(i), oracle::reachAfter(chain, i)) << trial << " " << i;
    }
    std::ostringstream fastDiag, literalDiag;
    ASSERT_EQ(angleProfile(chain, fastDiag), oracle::angleProfile(chain, literalDiag)) << trial;
    EXPECT_EQ(fastDiag.str(), literalDiag.str());
  }
}

TEST(AngleProfile, ReachEndsAtTheFirstPointBeyondThirtyPixels) {
  EXPECT_TRUE(withinReach({18, 24}, {0, 0}));  // 30.0 exactly
  EXPECT_TRUE(withinReach({-24, -18}, {0, 0}));
  EXPECT_FALSE(withinReach({18, 25}, {0, 0}));  // 30.8
  // Far points stay out of reach even where the squared distance would wrap round in 32 bits.
  EXPECT_FALSE(withinReach({65536, 3}, {0, 0}));
  EXPECT_FALSE(withinReach({2, -65536}, {0, 0}));
  // From point 2: (18, 25) is out of reach, so (1, 1) behind it does not count.
  const std::vector<cv::Point> back{{1, 1}, {18, 25}, {0, 0}, {18, 24}, {40, 0}};
  const OutlineReach reach(back);
  EXPECT_EQ(reach.before(2), 2);
  EXPECT_EQ(reach.after(2), 3);

  // 61 points: only point 30 gets an angle. Its forward mean (-7, 1) / 2 truncates to (-3, 0),
  // the point itself, as does its backward one: the NaN angle is stored as the straight angle.
  std::vector<cv::Point> chain;
  for (int k = 0; k < 61; ++k) chain.emplace_back(1000 + 100 * k, 0);
  chain[30] = {-3, 0};
  chain[31] = {-4, 1};
  std::ostringstream diag;
  const std::vector<double> profile = angleProfile(chain, diag);
  std::vector<double> expected(61, kNoAngle);
  expected[30] = 3.14159265359;
  EXPECT_EQ(profile, expected);
  EXPECT_EQ(diag.str().rfind("erreur angle 3 points ! center : [-3, 0] A : [-3, 0]", 0), 0u);
}

std::vector<bool> flagsWithRuns(int n, std::vector<std::pair<int, int>> belowRanges) {
  std::vector<bool> below(n, false);
  for (auto [from, to] : belowRanges)
    for (int i = from; i <= to; ++i) below[i] = true;
  return below;
}

TEST(Candidates, CrossingsOnlyBetween32AndNMinus31) {
  struct Case { int n; std::vector<std::pair<int, int>> below; std::vector<int> crossings; };
  const Case cases[] = {
      {100, {{31, 40}, {60, 69}}, {41, 60}},  // the changes at 31 and n - 30 do not count
      {100, {{32, 40}, {69, 99}}, {32, 41, 69}},
      {62, {{40, 45}}, {}},
      {63, {{32, 45}}, {32}},
  };
  for (const Case& c : cases) EXPECT_EQ(findCrossings(flagsWithRuns(c.n, c.below)), c.crossings);
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

  // Outlines too short or never crossing: no candidates, the whole trace.
  const std::vector<cv::Point> smooth{{0, 10}, {100, 10}};
  for (int n : {0, 29, 62, 200}) {
    std::vector<cv::Point> outline;
    for (int k = 0; k < n; ++k) outline.emplace_back(k, 20);  // all below
    std::ostringstream trace;
    lists = findToothSinusCandidates(outline, smooth, trace);
    EXPECT_TRUE(lists.dents.empty() && lists.sinus.empty()) << n;
    EXPECT_EQ(trace.str(), "okok\nhh\njj\nkk\nll\n") << n;
  }
}

}  // namespace
}  // namespace leafmargin
