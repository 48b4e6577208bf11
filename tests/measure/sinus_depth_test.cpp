// Deepest notch: the search against the literal one (a full-size raster per depth, every
// depth tested), and the notch hidden behind a lobe.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "geometry/line.h"
#include "geometry/numeric.h"
#include "geometry/segment_pixels.h"
#include "measure/sinus_depth.h"
#include "support/literal_segment_pixels.h"

namespace leafmargin {
namespace {

using testing::literalCountInMask;

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
        const Segment perpendicular = segmentCentredAt(q, segmentAngle(chord) + kRightAngle, 500.0);
        const cv::Point foot = lineIntersection(Line(chord), Line(perpendicular));
        const Segment depth(q, foot);
        if (literalCountInMask(depth, mask) < 4 && segmentLength(depth) > best.profondeurMax) {
          best.profondeurMax = segmentLength(depth);
          best.depth = depth;
          best.chord = chord;
        }
      }
    }
  }
  return best;
}

TEST(SinusDepth, MatchesTheLiteralSearchOnRandomMargins) {
  std::mt19937 rng(99);
  int withDepth = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(40, 160)(rng),
                        std::uniform_int_distribution<int>(40, 160)(rng));
    // A leaf of a few blobs; points anywhere, some near the border so that feet fall outside.
    cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
    for (int b = 0; b < 4; ++b)
      cv::circle(mask, {static_cast<int>(rng() % size.width), static_cast<int>(rng() % size.height)},
                 static_cast<int>(5 + rng() % 30), cv::Scalar(255), cv::FILLED);
    std::vector<cv::Point> outline;
    const int points = 3 + static_cast<int>(rng() % 12);
    for (int i = 0; i < points; ++i)
      outline.emplace_back(static_cast<int>(rng() % size.width), static_cast<int>(rng() % size.height));
    std::vector<int> dents, sinus;
    const int tips = static_cast<int>(rng() % 8), sinuses = static_cast<int>(rng() % 9);
    for (int i = 0; i < tips; ++i) dents.push_back(static_cast<int>(rng() % points));
    for (int i = 0; i < sinuses; ++i) sinus.push_back(static_cast<int>(rng() % points));
    const int f = static_cast<int>(rng() % 2);
    const DeepestSinus fast = findDeepestSinus(outline, dents, sinus, f, mask);
    const DeepestSinus literal = literalDeepestSinus(outline, dents, sinus, f, mask);
    ASSERT_EQ(fast.profondeurMax, literal.profondeurMax) << "trial " << trial;
    ASSERT_EQ(fast.depth, literal.depth) << "trial " << trial;
    ASSERT_EQ(fast.chord, literal.chord) << "trial " << trial;
    withDepth += fast.profondeurMax > 0.0;
  }
  EXPECT_GT(withDepth, 100);
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
  const std::vector<int> dents{0, 2, 4}, sinus{1, 3};

  const DeepestSinus deepest = findDeepestSinus(outline, dents, sinus, 0, mask);
  // Against the chord (100,300)-(300,300) the depth runs through the lobe. The chord from
  // (100,300) to (500,155) leans by 20 degrees, and so does the perpendicular from the notch,
  // which passes the lobe 36 pixels to its right.
  EXPECT_EQ(deepest.chord, Segment({100, 300}, {500, 155}));
  EXPECT_EQ(deepest.depth.first, cv::Point(200, 150));
  const double trueDistance = distancePointLine(Line(cv::Point(100, 300), cv::Point(500, 155)),
                                                cv::Point(200, 150));
  EXPECT_NEAR(deepest.profondeurMax, trueDistance, 2.0);
  EXPECT_LT(deepest.profondeurMax, 150.0);

  // Without the lobe the neighbouring chord gives the full 150 pixels.
  cv::circle(mask, {200, 250}, 12, cv::Scalar(0), cv::FILLED);
  const DeepestSinus open = findDeepestSinus(outline, dents, sinus, 0, mask);
  EXPECT_EQ(open.chord, Segment({100, 300}, {300, 300}));
  EXPECT_NEAR(open.profondeurMax, 150.0, 0.1);
}

TEST(SinusDepth, NothingToMeasureLeavesTheMarksOffThePicture) {
  const cv::Mat mask = cv::Mat::zeros(50, 50, CV_8UC1);
  const std::vector<cv::Point> outline{{10, 40}, {20, 10}, {30, 40}};
  for (const auto& [dents, sinus] : std::vector<std::pair<std::vector<int>, std::vector<int>>>{
           {{}, {}}, {{0}, {1}}, {{0, 2}, {}}}) {
    const DeepestSinus none = findDeepestSinus(outline, dents, sinus, 0, mask);
    EXPECT_EQ(none.profondeurMax, 0.0);
    EXPECT_EQ(none.depth, invalidSegment());
    EXPECT_EQ(none.chord, invalidSegment());
  }
  // Lists that do not alternate: a second tip pair whose sinus range runs past the end uses
  // the sinuses that exist.
  const std::vector<cv::Point> zigzag{{10, 40}, {20, 10}, {30, 40}, {40, 40}};
  const DeepestSinus cut = findDeepestSinus(zigzag, {0, 2, 3}, {1}, 0, mask);
  EXPECT_EQ(cut.depth.first, cv::Point(20, 10));
  EXPECT_NEAR(cut.profondeurMax, 30.0, 1.0);
}

TEST(SinusDepth, DrawsBothMarksInTheirColours) {
  cv::Mat drawing = cv::Mat::zeros(100, 100, CV_8UC3);
  DeepestSinus d;
  d.depth = Segment({50, 10}, {50, 60});
  d.chord = Segment({10, 60}, {90, 60});
  drawDeepestSinus(d, drawing);
  EXPECT_EQ(drawing.at<cv::Vec3b>(30, 50), cv::Vec3b(255, 0, 255));
  EXPECT_EQ(drawing.at<cv::Vec3b>(61, 20), cv::Vec3b(0, 255, 255));
}

}  // namespace
}  // namespace leafmargin
