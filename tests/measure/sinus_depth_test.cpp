// Deepest notch: the search against the literal one (every sinus against every pair of tips, a
// full-size raster per depth), and the notch hidden behind a lobe.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "geometry/line.h"
#include "geometry/numeric.h"
#include "measure/sinus_depth.h"
#include "support/literal_geometry.h"

namespace leafmargin {
namespace {

DeepestSinus literalDeepestSinus(const std::vector<cv::Point>& outline,
                                 const std::vector<int>& dents, const std::vector<int>& sinus,
                                 int f, const cv::Mat& mask) {
  DeepestSinus best;
  const int t = static_cast<int>(dents.size()), s = static_cast<int>(sinus.size());
  for (int j = 0; j < t - 1; ++j) {
    if (j >= s - f) continue;
    for (int k = j + 1; k <= t - 1; ++k) {
      const Segment chord(outline[dents[j]], outline[dents[k]]);
      for (int m = j + f; m <= k + f - 1 && m < s; ++m) {
        const cv::Point q = outline[sinus[m]];
        const Segment carrier = testing::segmentCentredAt(q, segmentAngle(chord) + kRightAngle, 500.0);
        const Segment depth(q, lineIntersection(Line(chord), Line(carrier)));
        if (testing::literalCountInMask(depth, mask) < 4 &&
            segmentLength(depth) > best.profondeurMax)
          best = {segmentLength(depth), depth, chord};
      }
    }
  }
  return best;
}

// Random margins of three kinds: points anywhere or crowded, with random lists (repeated points,
// lists that do not alternate, too few entries); combs whose tips lie on one or two rows, in any
// order, so that many chords share one line; and the same combs with a tip or two off the row.
struct RandomMargin {
  std::vector<cv::Point> outline;
  std::vector<int> dents, sinus;
  int f = 0;
  cv::Mat mask;
};

RandomMargin randomMargin(std::mt19937& rng, int trial) {
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  RandomMargin r;
  const cv::Size size(uniform(40, 160), uniform(40, 160));
  r.mask = cv::Mat::zeros(size, CV_8UC1);
  for (int b = uniform(0, 4); b > 0; --b)
    cv::circle(r.mask, {uniform(0, size.width - 1), uniform(0, size.height - 1)}, uniform(5, 35),
               cv::Scalar(255), cv::FILLED);
  r.f = uniform(0, 1);
  if (trial % 3 == 0) {
    // Sometimes crowded into a corner, where many chords share a point or a line.
    const int spread = trial % 2 ? 8 : std::min(size.width, size.height) - 1;
    for (int i = uniform(3, 14); i > 0; --i)
      r.outline.emplace_back(uniform(0, spread), uniform(0, spread));
    const int points = static_cast<int>(r.outline.size());
    for (int i = uniform(0, 7); i > 0; --i) r.dents.push_back(uniform(0, points - 1));
    for (int i = uniform(0, 8); i > 0; --i) r.sinus.push_back(uniform(0, points - 1));
    return r;
  }
  const int rows[2] = {uniform(size.height / 2, size.height - 1), uniform(0, size.height - 1)};
  const int teeth = uniform(2, 30);
  for (int t = 0; t < teeth; ++t) {
    cv::Point tip(uniform(0, size.width - 1), rows[uniform(0, 3) == 0]);
    if (trial % 3 == 2 && uniform(0, 9) == 0) tip.y = uniform(0, size.height - 1);
    r.dents.push_back(static_cast<int>(r.outline.size()));
    r.outline.push_back(tip);
    r.sinus.push_back(static_cast<int>(r.outline.size()));
    r.outline.emplace_back(uniform(0, size.width - 1), uniform(0, rows[0]));
  }
  if (r.f == 1) r.sinus.insert(r.sinus.begin(), r.sinus.back());
  if (uniform(0, 4) == 0) r.sinus.resize(uniform(0, static_cast<int>(r.sinus.size())));
  return r;
}

TEST(SinusDepth, MatchesTheLiteralSearchOnRandomMargins) {
  std::mt19937 rng(99);
  int withDepth = 0, without = 0;
  for (int trial = 0; trial < 900; ++trial) {
    const RandomMargin r = randomMargin(rng, trial);
    const DeepestSinus fast = findDeepestSinus(
        r.outline, r.dents, pairTeethAndSinuses(r.dents, r.sinus, r.f == 1).sinuses, r.mask);
    const DeepestSinus literal = literalDeepestSinus(r.outline, r.dents, r.sinus, r.f, r.mask);
    ASSERT_EQ(fast.profondeurMax, literal.profondeurMax) << "trial " << trial;
    ASSERT_EQ(fast.depth, literal.depth) << "trial " << trial;
    ASSERT_EQ(fast.chord, literal.chord) << "trial " << trial;
    ++(fast.profondeurMax > 0.0 ? withDepth : without);
  }
  EXPECT_GT(withDepth, 300);
  EXPECT_GT(without, 100);
}

TEST(SinusDepth, NotchHiddenBehindALobeCountsOnlyAgainstAWiderChord) {
  // Leaf above the margin; tips hang down at y = 300, the notch rises to (200, 150).
  const cv::Size size(600, 400);
  cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
  const std::vector<cv::Point> outline{{100, 300}, {200, 150}, {300, 300}, {400, 200}, {500, 155}};
  std::vector<cv::Point> leaf{{0, 0}, {599, 0}, {599, 155}};
  leaf.insert(leaf.end(), outline.rbegin(), outline.rend());
  leaf.emplace_back(0, 300);
  cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{leaf}, cv::Scalar(255));
  // A lobe of the leaf hanging in front of the notch, between it and the chord of its
  // neighbouring tips.
  cv::circle(mask, {200, 250}, 12, cv::Scalar(255), cv::FILLED);
  const std::vector<int> dents{0, 2, 4};
  const std::vector<MeasuredSinus> sinus = pairTeethAndSinuses(dents, {1, 3}, false).sinuses;

  const DeepestSinus deepest = findDeepestSinus(outline, dents, sinus, mask);
  // Against the chord (100,300)-(300,300) the depth runs through the lobe. The chord from
  // (100,300) to (500,155) leans by 20 degrees, and so does the perpendicular from the notch,
  // which passes the lobe 36 pixels to its right.
  EXPECT_EQ(deepest.chord, Segment({100, 300}, {500, 155}));
  EXPECT_EQ(deepest.depth.first, cv::Point(200, 150));
  const double trueDistance = distancePointLine(Line(cv::Point(100, 300), cv::Point(500, 155)),
                                                cv::Point(200, 150));
  EXPECT_NEAR(deepest.profondeurMax, trueDistance, 2.0);

  // Without the lobe the neighbouring chord gives the full 150 pixels.
  cv::circle(mask, {200, 250}, 12, cv::Scalar(0), cv::FILLED);
  const DeepestSinus open = findDeepestSinus(outline, dents, sinus, mask);
  EXPECT_EQ(open.chord, Segment({100, 300}, {300, 300}));
  EXPECT_NEAR(open.profondeurMax, 150.0, 0.1);
}

}  // namespace
}  // namespace leafmargin
