// The filter passes on hand-built point lists, at each threshold where a wrong reading of the
// rules would change the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "margin/candidate_filters.h"
#include "margin/literal_oracles.h"
#include "margin/starting_order.h"

namespace leafmargin {
namespace {

using Flags = std::vector<bool>;

// An outline of the listed points in order, 't' marking a tooth candidate and 's' a sinus one;
// the smooth outline is the row y = smoothY.
struct Fixture {
  std::vector<cv::Point> outline;
  std::vector<cv::Point> smooth;
  CandidateLists lists;
  std::ostringstream diag;

  Fixture(std::initializer_list<std::pair<char, cv::Point>> points, int smoothY = 0)
      : smooth{{-1000, smoothY}, {1000, smoothY}} {
    for (const auto& [kind, p] : points) add(kind, p);
  }
  void add(char kind, cv::Point p) {
    if (kind == 't') lists.dents.push_back(static_cast<int>(outline.size()));
    if (kind == 's') lists.sinus.push_back(static_cast<int>(outline.size()));
    outline.push_back(p);
  }
  FilterContext context() { return FilterContext(outline, smooth, diag); }
  // The flags after one pass over every candidate kept.
  template <typename Pass> KeepFlags after(Pass pass) {
    KeepFlags flags = keepAll(lists);
    pass(flags);
    return flags;
  }
  KeepFlags closePairs() { return after([&](KeepFlags& f) { removeClosePairs(lists, context(), f); }); }
  KeepFlags blunt(BluntPairRun run) { return after([&](KeepFlags& f) { removeBluntPairs(lists, run, context(), f); }); }
  KeepFlags wide(bool sinusFirst) { return after([&](KeepFlags& f) { removeWideTeeth(lists, sinusFirst, context(), f); }); }
};

TEST(ClosePairs, StrictlyUnderEightPixelsWithinTwoListIndices) {
  EXPECT_EQ(Fixture({{'t', {0, 0}}, {'s', {0, 8}}}).closePairs().keepTooth, Flags{true});
  EXPECT_EQ(Fixture({{'t', {0, 0}}, {'s', {5, 6}}}).closePairs().keepTooth, Flags{false});
  // Tooth 0 near sinuses 0 and 1: only sinus 0 goes with it.
  EXPECT_EQ(Fixture({{'t', {0, 0}}, {'s', {3, 0}}, {'s', {0, 3}}}).closePairs().keepSinus,
            (Flags{false, true}));
  // Tooth 1, also near sinus 0, cannot take it again.
  const KeepFlags taken =
      Fixture({{'t', {0, 0}}, {'s', {3, 0}}, {'t', {1, 1}}, {'s', {500, 0}}}).closePairs();
  EXPECT_EQ(taken.keepTooth, (Flags{false, true}));
  EXPECT_EQ(taken.keepSinus, (Flags{false, true}));
  // The window compares list indices: tooth 2 reaches sinus 0, tooth 3 does not.
  for (int tooth : {2, 3}) {
    Fixture window({});
    for (int k = 0; k < 4; ++k) {
      window.add('s', {100 * k, 0});
      window.add('t', k == tooth ? cv::Point(2, 2) : cv::Point(100 * k + 50, 40));
    }
    EXPECT_EQ(window.closePairs().keepSinus[0], tooth == 3) << tooth;
  }
}

// A tooth-first zigzag T0 S0 T1 S1 T2 whose inner angles all equal 2 atan(halfWidth / depth).
Fixture zigzag(int w, int d) {
  return Fixture({{'t', {0, d}}, {'s', {w, 0}}, {'t', {2 * w, d}}, {'s', {3 * w, 0}}, {'t', {4 * w, d}}});
}

TEST(BluntPairs, AnglesMustExceed110ThenThe130Degrees) {
  struct Case {
    int halfWidth, depth;
    double angleFrom, angleTo;
    BluntPairRun run;
    Flags keepTooth;
  };
  // Step a takes the sinus before the blunt tooth; step b then finds the tooth gone.
  const Case cases[] = {
      {10, 7, 110.0, 110.02, BluntPairRun::First, {true, false, true}},
      {57, 40, 109.8, 110.0, BluntPairRun::First, {true, true, true}},
      {10, 7, 110.0, 110.02, BluntPairRun::Second, {true, true, true}},
      {118, 55, 130.0, 131.0, BluntPairRun::Second, {true, false, true}},
      {15, 7, 129.9, 130.0, BluntPairRun::Second, {true, true, true}},
  };
  for (const Case& c : cases) {
    Fixture f = zigzag(c.halfWidth, c.depth);
    const double angle = f.context().angleDegrees(2, 1, 3);
    ASSERT_GT(angle, c.angleFrom);
    ASSERT_LT(angle, c.angleTo);
    const KeepFlags flags = f.blunt(c.run);
    EXPECT_EQ(flags.keepTooth, c.keepTooth) << angle;
    EXPECT_EQ(flags.keepSinus, (Flags{c.keepTooth[1], true})) << angle;
  }
}

TEST(BluntPairs, StepBGuardIsTighterInTheSecondRun) {
  // T0 S0 T1 S1 T2: the sinus S0 is sharp, T1 and S1 are blunt (about 143 degrees).
  Fixture f({{'t', {0, 100}}, {'s', {10, 0}}, {'t', {40, 10}}, {'s', {70, 0}}, {'t', {100, 10}}});
  EXPECT_EQ(f.blunt(BluntPairRun::First).keepTooth, (Flags{true, false, true}));
  EXPECT_EQ(f.blunt(BluntPairRun::First).keepSinus, (Flags{true, false}));
  EXPECT_EQ(f.blunt(BluntPairRun::Second).keepTooth, (Flags{true, true, true}));
}

// Sinus first: S0 T0 S1 T1 S2 T2, T0 sharp, S1 and T1 blunt, so only step b of j = 0 can act.
// T0 and S2 lie `reach` pixels apart; S1 lies `offCurve` pixels from the smooth outline.
Fixture sinusFirstException(int reach, int offCurve) {
  return Fixture({{'s', {10, 40}}, {'t', {0, 10}}, {'s', {60, 0}}, {'t', {120, 10}},
                  {'s', {reach, 10}}, {'t', {reach + 5, 40}}},
                 offCurve);
}

// Tooth first: T0 S0 T1 S1 T2 S2 T3, S0 and T2 sharp, T1 and S1 blunt.
Fixture toothFirstException(int reach, int offCurve) {
  return Fixture({{'t', {100 - reach, 110}}, {'s', {10, 0}}, {'t', {40, 10}}, {'s', {70, 0}},
                  {'t', {100, 10}}, {'s', {100, 110}}, {'t', {130, 10}}},
                 -offCurve);
}

TEST(BluntPairs, ExceptionSparesFarPairsOffTheSmoothOutlineInOneOrderPerRun) {
  const Flags kept{true, true, true}, removed{true, false, true};
  struct Case { bool sinusFirst; int reach, offCurve; BluntPairRun run; Flags keepSinus; };
  const Case cases[] = {
      {true, 136, 4, BluntPairRun::First, kept},
      {true, 136, 3, BluntPairRun::First, removed},
      {true, 135, 4, BluntPairRun::First, removed},
      {false, 136, 4, BluntPairRun::Second, kept},
      {false, 136, 3, BluntPairRun::Second, removed},
      {false, 135, 4, BluntPairRun::Second, removed},
      {false, 136, 4, BluntPairRun::First, removed},  // the first run spares no tooth-first pair
      {true, 136, 4, BluntPairRun::Second, kept},     // its step b needs a fourth sinus here
  };
  for (const Case& c : cases) {
    Fixture f = c.sinusFirst ? sinusFirstException(c.reach, c.offCurve)
                             : toothFirstException(c.reach, c.offCurve);
    EXPECT_EQ(f.blunt(c.run).keepSinus, c.keepSinus)
        << c.sinusFirst << " " << c.reach << " " << c.offCurve;
  }
  EXPECT_EQ(sinusFirstException(135, 4).blunt(BluntPairRun::First).keepTooth, removed);
  EXPECT_EQ(toothFirstException(135, 4).blunt(BluntPairRun::Second).keepTooth,
            (Flags{true, false, true, true}));
  // The second run does not spare sinus-first pairs.
  Fixture fourSinuses = sinusFirstException(136, 4);
  fourSinuses.add('s', {200, 0});
  EXPECT_EQ(fourSinuses.blunt(BluntPairRun::Second).keepSinus, (Flags{true, false, true, true}));
}

TEST(BluntPairs, StepsNeedingASinusPastTheEndRemoveNothing) {
  // Sinus first with one sinus too few for step b (first run), then tooth first with the
  // exception's sinus missing (second run). Step a meets a sharp first angle; the angles step b
  // reads before it needs S[j+2] are blunt.
  Fixture sinusFirst({{'s', {20, 60}}, {'t', {10, 10}}, {'s', {60, 0}}, {'t', {110, 10}}, {'t', {240, 20}}});
  EXPECT_EQ(sinusFirst.blunt(BluntPairRun::First).keepTooth, (Flags{true, true, true}));
  Fixture toothFirst({{'t', {0, 100}}, {'s', {10, 0}}, {'t', {40, 10}}, {'s', {70, 0}},
                      {'t', {100, 10}}, {'t', {200, 10}}});
  EXPECT_EQ(toothFirst.blunt(BluntPairRun::Second).keepTooth, (Flags{true, true, true, true}));
  // Nothing at all without a sinus.
  EXPECT_EQ(Fixture({{'t', {0, 0}}, {'t', {9, 9}}}).blunt(BluntPairRun::First).keepTooth,
            (Flags{true, true}));
}

TEST(StartsWithSinus, FirstPassagesDecideAndTiesCountAsToothFirst) {
  // The outline passes (5, 5) at 0 and 3.
  const std::vector<cv::Point> outline{{5, 5}, {0, 0}, {1, 1}, {5, 5}};
  EXPECT_FALSE(startsWithSinus(outline, {1}, {2}));
  EXPECT_TRUE(startsWithSinus(outline, {1}, {3}));   // first passed at 0, before the tip
  EXPECT_FALSE(startsWithSinus(outline, {3}, {0}));  // the same point heads both lists
  EXPECT_FALSE(startsWithSinus(outline, {}, {0}));
  // The search that stops at the position agrees with the one from index 0 to the end.
  std::mt19937 rng(3);
  for (int trial = 0; trial < 50; ++trial) {
    const std::vector<cv::Point> chain = oracle::randomDenseChain(rng, 300, 6);
    for (int position = 0; position < 300; ++position)
      ASSERT_EQ(firstPositionOfPoint(chain, position),
                std::find(chain.begin(), chain.end(), chain[position]) - chain.begin());
  }
}

TEST(EndTrim, DropsBothEndsOfBothListsWithoutReplacingRemovedEntries) {
  CandidateLists two{{1, 3}, {2, 4}};
  KeepFlags flags = keepAll(two);
  trimEnds(two, flags);
  EXPECT_EQ(compact(two, flags).dents, std::vector<int>{});
  CandidateLists three{{1, 3, 5}, {2, 4, 6}};
  flags = keepAll(three);
  flags.keepSinus[0] = false;  // already removed by the blunt-pair run
  trimEnds(three, flags);
  EXPECT_EQ(compact(three, flags).dents, std::vector<int>{3});
  EXPECT_EQ(compact(three, flags).sinus, std::vector<int>{4});
  CandidateLists oneSided{{}, {2, 4, 6}};
  flags = keepAll(oneSided);
  trimEnds(oneSided, flags);
  EXPECT_EQ(flags.keepSinus, (Flags{true, true, true}));
}

TEST(WideTeeth, OnlyForSinusFirstOutlinesOver140DegreesUnder50Pixels) {
  struct Case { int gap; cv::Point tip; bool removed; };
  // 143.8 degrees at 49 and 144.5 at exactly 50 pixels; 140.004 and 139.970 degrees closer.
  for (const Case& c : {Case{49, {24, 8}, true}, Case{50, {25, 8}, false},
                        Case{33, {16, 6}, true}, Case{39, {17, 7}, false}}) {
    Fixture f({{'s', {0, 0}}, {'t', c.tip}, {'s', {c.gap, 0}}, {'t', {c.gap + 20, 60}},
               {'s', {c.gap + 40, 0}}});
    const KeepFlags flags = f.wide(true);
    EXPECT_EQ(flags.keepTooth, (Flags{!c.removed, true})) << c.gap;
    EXPECT_EQ(flags.keepSinus, (Flags{true, !c.removed, true})) << c.gap;
    EXPECT_EQ(f.wide(false).keepTooth, (Flags{true, true}));
  }
}

TEST(FilterCandidates, StartingOrderComesFromTheEntriesTheEndTrimDropped) {
  // Positions s0 < t0 < t1 < s1 < t2 < s2 on a sharp zigzag: no pass before the trim removes
  // anything. The trimmed lists begin with a sinus; the final ones with a tooth.
  Fixture f({{'s', {0, 0}}, {'t', {20, 300}}, {'t', {40, 0}}, {'s', {60, 300}}, {'t', {80, 0}},
             {'s', {100, 300}}});
  std::ostringstream trace;
  const MarginAnalysis result = filterCandidates(f.lists, f.context(), trace);
  EXPECT_EQ(result.dents, std::vector<int>{2});
  EXPECT_EQ(result.sinus, std::vector<int>{3});
  EXPECT_TRUE(result.commenceParSinus);
  EXPECT_EQ(trace.str(), "mm\nnn\noo\npp\nqq\nrr\nss\nrr\n");

  Fixture empty({});
  std::ostringstream emptyTrace;
  const MarginAnalysis none = filterCandidates(empty.lists, empty.context(), emptyTrace);
  EXPECT_TRUE(none.dents.empty() && none.sinus.empty() && !none.commenceParSinus);
  EXPECT_EQ(emptyTrace.str(), trace.str());
}

}  // namespace
}  // namespace leafmargin
