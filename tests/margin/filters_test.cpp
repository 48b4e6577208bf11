// The filter passes on hand-built point lists, at each threshold where a wrong reading of the
// rules would change the result.
#include <gtest/gtest.h>

#include <sstream>

#include "margin/candidate_filters.h"
#include "margin/literal_oracles.h"
#include "margin/starting_order.h"

namespace leafmargin {
namespace {

// An outline made of the listed points, with the candidates named by their positions in it.
struct Fixture {
  std::vector<cv::Point> outline;
  std::vector<cv::Point> smooth{{-1000, 0}, {1000, 0}};
  CandidateLists lists;
  std::ostringstream diag;

  // Appends a point; 't' makes it a tooth, 's' a sinus, anything else neither.
  Fixture& add(char kind, cv::Point p) {
    if (kind == 't') lists.dents.push_back(static_cast<int>(outline.size()));
    if (kind == 's') lists.sinus.push_back(static_cast<int>(outline.size()));
    outline.push_back(p);
    return *this;
  }
  FilterContext context() { return FilterContext(outline, smooth, diag); }
  KeepFlags run(void (*pass)(const CandidateLists&, const FilterContext&, KeepFlags&)) {
    KeepFlags flags = keepAll(lists);
    pass(lists, context(), flags);
    return flags;
  }
  KeepFlags blunt(BluntPairRun which) {
    KeepFlags flags = keepAll(lists);
    removeBluntPairs(lists, which, context(), flags);
    return flags;
  }
};

using Flags = std::vector<bool>;

TEST(ClosePairs, StrictlyUnderEightPixelsWithinTwoListIndices) {
  Fixture apart;
  apart.add('t', {0, 0}).add('s', {0, 8});
  EXPECT_EQ(apart.run(removeClosePairs).keepTooth, Flags{true});
  Fixture close;
  close.add('t', {0, 0}).add('s', {5, 6});
  EXPECT_EQ(close.run(removeClosePairs).keepTooth, Flags{false});

  // Tooth 0 near sinuses 0 and 1: only sinus 0 goes with it.
  Fixture first;
  first.add('t', {0, 0}).add('s', {3, 0}).add('s', {0, 3});
  KeepFlags flags = first.run(removeClosePairs);
  EXPECT_EQ(flags.keepTooth, Flags{false});
  EXPECT_EQ(flags.keepSinus, (Flags{false, true}));
  // Tooth 1, also near sinus 0, cannot take it again.
  Fixture taken;
  taken.add('t', {0, 0}).add('s', {3, 0}).add('t', {1, 1}).add('s', {500, 0});
  flags = taken.run(removeClosePairs);
  EXPECT_EQ(flags.keepTooth, (Flags{false, true}));
  EXPECT_EQ(flags.keepSinus, (Flags{false, true}));

  // The window compares list indices: tooth 2 reaches sinus 0, tooth 3 does not.
  for (int tooth : {2, 3}) {
    Fixture window;
    for (int k = 0; k < 4; ++k) {
      window.add('s', {100 * k, 0});
      window.add('t', k == tooth ? cv::Point(2, 2) : cv::Point(100 * k + 50, 40));
    }
    flags = window.run(removeClosePairs);
    EXPECT_EQ(flags.keepSinus[0], tooth == 3) << tooth;
    EXPECT_EQ(flags.keepTooth[tooth], tooth == 3) << tooth;
  }
}

// A tooth-first zigzag T0 S0 T1 S1 T2 whose inner angles all equal 2 atan(halfWidth / depth).
Fixture zigzag(int halfWidth, int depth) {
  Fixture f;
  for (int k = 0; k < 5; ++k)
    f.add(k % 2 == 0 ? 't' : 's', {halfWidth * k, k % 2 == 0 ? depth : 0});
  return f;
}

double innerAngle(Fixture& f) { return f.context().angleDegrees(2, 1, 3); }

TEST(BluntPairs, AnglesMustExceed110ThenThe130Degrees) {
  Fixture above110 = zigzag(10, 7), below110 = zigzag(57, 40);
  ASSERT_GT(innerAngle(above110), 110.0);
  ASSERT_LT(innerAngle(above110), 110.02);
  ASSERT_LT(innerAngle(below110), 110.0);
  ASSERT_GT(innerAngle(below110), 109.8);
  // Step a takes the sinus before the blunt tooth; step b then finds the tooth gone.
  EXPECT_EQ(above110.blunt(BluntPairRun::First).keepSinus, (Flags{false, true}));
  EXPECT_EQ(above110.blunt(BluntPairRun::First).keepTooth, (Flags{true, false, true}));
  EXPECT_EQ(below110.blunt(BluntPairRun::First).keepTooth, (Flags{true, true, true}));
  EXPECT_EQ(above110.blunt(BluntPairRun::Second).keepTooth, (Flags{true, true, true}));

  Fixture above130 = zigzag(118, 55), below130 = zigzag(15, 7);
  ASSERT_GT(innerAngle(above130), 130.0);
  ASSERT_LT(innerAngle(below130), 130.0);
  ASSERT_GT(innerAngle(below130), 129.9);
  EXPECT_EQ(above130.blunt(BluntPairRun::Second).keepTooth, (Flags{true, false, true}));
  EXPECT_EQ(below130.blunt(BluntPairRun::Second).keepTooth, (Flags{true, true, true}));
}

TEST(BluntPairs, StepBGuardIsTighterInTheSecondRun) {
  // T0 S0 T1 S1 T2: the sinus S0 is sharp, T1 and S1 are blunt (about 143 degrees).
  Fixture f;
  f.add('t', {0, 100}).add('s', {10, 0}).add('t', {40, 10}).add('s', {70, 0}).add('t', {100, 10});
  EXPECT_EQ(f.blunt(BluntPairRun::First).keepTooth, (Flags{true, false, true}));
  EXPECT_EQ(f.blunt(BluntPairRun::First).keepSinus, (Flags{true, false}));
  EXPECT_EQ(f.blunt(BluntPairRun::Second).keepTooth, (Flags{true, true, true}));
}

// Sinus first: S0 T0 S1 T1 S2 T2, T0 sharp, S1 and T1 blunt, so only step b of j = 0 can act.
// T0 and S2 lie `reach` pixels apart; S1 lies `offCurve` pixels above the smooth outline.
Fixture sinusFirstException(int reach, int offCurve) {
  Fixture f;
  f.smooth = {{-1000, offCurve}, {1000, offCurve}};
  f.add('s', {10, 40}).add('t', {0, 10}).add('s', {60, 0}).add('t', {120, 10});
  f.add('s', {reach, 10}).add('t', {reach + 5, 40});
  return f;
}

// Tooth first: T0 S0 T1 S1 T2 S2 T3, S0 and T2 sharp, T1 and S1 blunt.
Fixture toothFirstException(int reach, int offCurve) {
  Fixture f;
  f.smooth = {{-1000, -offCurve}, {1000, -offCurve}};
  f.add('t', {100 - reach, 110}).add('s', {10, 0}).add('t', {40, 10}).add('s', {70, 0});
  f.add('t', {100, 10}).add('s', {100, 110}).add('t', {130, 10});
  return f;
}

TEST(BluntPairs, ExceptionSparesFarPairsOffTheSmoothOutlineInOneOrderPerRun) {
  const Flags keptS{true, true, true}, removedS{true, false, true};
  EXPECT_EQ(sinusFirstException(136, 4).blunt(BluntPairRun::First).keepSinus, keptS);
  EXPECT_EQ(sinusFirstException(136, 3).blunt(BluntPairRun::First).keepSinus, removedS);
  EXPECT_EQ(sinusFirstException(135, 4).blunt(BluntPairRun::First).keepSinus, removedS);
  EXPECT_EQ(sinusFirstException(135, 4).blunt(BluntPairRun::First).keepTooth, removedS);

  EXPECT_EQ(toothFirstException(136, 4).blunt(BluntPairRun::Second).keepSinus, keptS);
  EXPECT_EQ(toothFirstException(136, 3).blunt(BluntPairRun::Second).keepSinus, removedS);
  EXPECT_EQ(toothFirstException(135, 4).blunt(BluntPairRun::Second).keepSinus, removedS);
  EXPECT_EQ(toothFirstException(135, 4).blunt(BluntPairRun::Second).keepTooth,
            (Flags{true, false, true, true}));
  // The first run does not spare tooth-first pairs.
  EXPECT_EQ(toothFirstException(136, 4).blunt(BluntPairRun::First).keepSinus, removedS);
  // Nor does the second run spare sinus-first pairs, but its step b needs a fourth sinus there.
  EXPECT_EQ(sinusFirstException(136, 4).blunt(BluntPairRun::Second).keepSinus, keptS);
  Fixture fourSinuses = sinusFirstException(136, 4);
  fourSinuses.add('s', {200, 0});
  EXPECT_EQ(fourSinuses.blunt(BluntPairRun::Second).keepSinus, (Flags{true, false, true, true}));
}

TEST(BluntPairs, StepsNeedingASinusPastTheEndRemoveNothing) {
  // Sinus first with one sinus too few for step b (first run), then tooth first with the
  // exception's sinus missing (second run). Step a meets a sharp first angle; the angles step b
  // reads before it needs S[j+2] are blunt.
  Fixture sinusFirst;
  sinusFirst.add('s', {20, 60}).add('t', {10, 10}).add('s', {60, 0}).add('t', {110, 10});
  sinusFirst.add('t', {240, 20});
  KeepFlags flags = sinusFirst.blunt(BluntPairRun::First);
  EXPECT_EQ(flags.keepSinus, (Flags{true, true}));
  EXPECT_EQ(flags.keepTooth, (Flags{true, true, true}));
  Fixture toothFirst;
  toothFirst.add('t', {0, 100}).add('s', {10, 0}).add('t', {40, 10}).add('s', {70, 0});
  toothFirst.add('t', {100, 10}).add('t', {200, 10});
  flags = toothFirst.blunt(BluntPairRun::Second);
  EXPECT_EQ(flags.keepSinus, (Flags{true, true}));
  EXPECT_EQ(flags.keepTooth, (Flags{true, true, true, true}));
}

TEST(StartsWithSinus, FirstPassagesDecideAndTiesCountAsToothFirst) {
  // The outline passes (5, 5) at 0 and 3.
  const std::vector<cv::Point> outline{{5, 5}, {0, 0}, {1, 1}, {5, 5}};
  EXPECT_FALSE(startsWithSinus(outline, {1}, {2}));
  EXPECT_TRUE(startsWithSinus(outline, {1}, {3}));   // first passed at 0, before the tip
  EXPECT_FALSE(startsWithSinus(outline, {3}, {0}));  // the same point heads both lists
  EXPECT_FALSE(startsWithSinus(outline, {}, {0}));
  Fixture f;
  f.add('s', {0, 0}).add('x', {1, 1});
  KeepFlags flags = keepAll(f.lists);
  removeBluntPairs(f.lists, BluntPairRun::First, f.context(), flags);
  EXPECT_EQ(flags.keepSinus, Flags{true});
}

TEST(FirstPosition, AgreesWithTheSearchFromIndexZero) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 50; ++trial) {
    const std::vector<cv::Point> chain = oracle::randomDenseChain(rng, 300, 6);
    for (int position = 0; position < 300; ++position)
      ASSERT_EQ(firstPositionOfPoint(chain, position),
                oracle::firstPositionOfPoint(chain, chain[position]));
  }
}

TEST(EndTrim, DropsBothEndsOfBothListsWithoutReplacingRemovedEntries) {
  CandidateLists two{{1, 3}, {2, 4}};
  KeepFlags flags = keepAll(two);
  trimEnds(two, flags);
  EXPECT_TRUE(compact(two, flags).dents.empty());
  EXPECT_TRUE(compact(two, flags).sinus.empty());
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
  struct Case {
    int gap;
    cv::Point tip;
    bool removed;
  };
  // 143.8 degrees at 49 and 144.5 at exactly 50 pixels; 140.004 and 139.970 degrees closer.
  for (const Case& c : {Case{49, {24, 8}, true}, Case{50, {25, 8}, false},
                        Case{33, {16, 6}, true}, Case{39, {17, 7}, false}}) {
    Fixture f;
    f.add('s', {0, 0}).add('t', c.tip).add('s', {c.gap, 0}).add('t', {c.gap + 20, 60});
    f.add('s', {c.gap + 40, 0});
    KeepFlags flags = keepAll(f.lists);
    removeWideTeeth(f.lists, true, f.context(), flags);
    EXPECT_EQ(flags.keepTooth, (Flags{!c.removed, true})) << c.gap;
    EXPECT_EQ(flags.keepSinus, (Flags{true, !c.removed, true})) << c.gap;
    flags = keepAll(f.lists);
    removeWideTeeth(f.lists, false, f.context(), flags);
    EXPECT_EQ(flags.keepTooth, (Flags{true, true}));
  }
}

TEST(FilterCandidates, StartingOrderComesFromTheEntriesTheEndTrimDropped) {
  // Positions s0 < t0 < t1 < s1 < t2 < s2 on a sharp zigzag: no pass before the trim removes
  // anything. The trimmed lists begin with a sinus; the final ones with a tooth.
  Fixture f;
  f.add('s', {0, 0}).add('t', {20, 300}).add('t', {40, 0}).add('s', {60, 300});
  f.add('t', {80, 0}).add('s', {100, 300});
  std::ostringstream trace;
  const MarginAnalysis result = filterCandidates(f.lists, f.context(), trace);
  EXPECT_EQ(result.dents, std::vector<int>{2});
  EXPECT_EQ(result.sinus, std::vector<int>{3});
  EXPECT_TRUE(result.commenceParSinus);
  EXPECT_EQ(trace.str(), "mm\nnn\noo\npp\nqq\nrr\nss\nrr\n");

  Fixture empty;
  std::ostringstream emptyTrace;
  const MarginAnalysis none = filterCandidates(empty.lists, empty.context(), emptyTrace);
  EXPECT_TRUE(none.dents.empty() && none.sinus.empty() && !none.commenceParSinus);
  EXPECT_EQ(emptyTrace.str(), trace.str());
}

}  // namespace
}  // namespace leafmargin
