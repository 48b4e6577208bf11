// Lines, segments, angles and chains on integer points: the conventions that decide the numbers
// of the results table (vertical lines, truncation toward zero, the program's pi literal); the
// running-sum means against the means summed afresh, and the segment pixels and the densified
// chain against a full-size raster per segment, read column by column or counted over the
// clipped bounding box with a mask.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "geometry/angles.h"
#include "geometry/chain.h"
#include "geometry/line.h"
#include "geometry/numeric.h"
#include "geometry/perpendicular_foot.h"
#include "geometry/segment_pixels.h"
#include "support/literal_geometry.h"

namespace leafmargin {
namespace {

TEST(Line, VerticalLinesCarryZeroSlopeAndTheRightAngleLiteral) {
  const Line v({3, 0}, {3, 5});
  EXPECT_TRUE(v.vertical && v.xVertical == 3 && v.slope == 0.0 && v.y0 == 0.0);
  EXPECT_TRUE(Line({4, 4}, {4, 4}).vertical);
  EXPECT_EQ(lineAngle(v), 1.570796326795);
  // The literal is not the library's pi/2: its cosine is a tiny negative number.
  EXPECT_NEAR(std::cos(lineAngle(v)), -1.03e-13, 1e-15);
  EXPECT_EQ(lineYAtX(v, 10.0), 0.0);
  EXPECT_EQ(lineXAtY(v, 77), 3);
  EXPECT_DOUBLE_EQ(distancePointLine(v, {7, 100}), 4.0);
  std::ostringstream text;
  printLine(v, text);
  EXPECT_EQ(text.str(), "pente : 1e+07 y0 : 0\n");
}

TEST(Line, EvaluationAndIntersectionTruncateTowardZero) {
  const Line l({0, 1}, {4, 3});
  EXPECT_DOUBLE_EQ(lineYAtX(l, 3.0), 2.5);
  EXPECT_DOUBLE_EQ(distancePointLine(Line({0, 0}, {1, 1}), {2, 0}), std::sqrt(2.0));
  struct AtY { Line line; int y, x; };
  for (const AtY& c : {AtY{l, 4, 6}, AtY{Line({0, 0}, {3, 2}), -1, -1},  // -1.5 gives -1
                       AtY{Line({0, 5}, {9, 5}), 7, INT_MIN}})           // horizontal: defined
    EXPECT_EQ(lineXAtY(c.line, c.y), c.x) << c.y;

  const Line vertical({4, 0}, {4, 9}), horizontal({0, 7}, {9, 7}), diagonal({0, 0}, {10, 10});
  struct Crossing { Line a, b; cv::Point expected; };
  const Crossing crossings[] = {
      {vertical, horizontal, {4, 7}},
      {horizontal, vertical, {4, 7}},
      {diagonal, Line({0, 10}, {10, 0}), {5, 5}},
      {diagonal, Line({0, 3}, {10, 13}), {-1, -1}},    // parallel
      {vertical, Line({4, 1}, {4, 2}), {-1, -1}},      // two vertical lines, even the same one
      {diagonal, Line({0, 5}, {5, 0}), {2, 2}},        // y from the untruncated x' = 2.5
      {Line({0, 0}, {2, 1}), Line({0, 1}, {2, 4}), {-1, 0}},  // y = -0.5 truncates to 0
  };
  for (const Crossing& c : crossings) EXPECT_EQ(lineIntersection(c.a, c.b), c.expected);
}

TEST(Segment, MidpointCarrierAndPerpendicularFoot) {
  EXPECT_EQ(segmentMidpoint(Segment({1, 1}, {2, 2})), cv::Point(1, 1));
  EXPECT_EQ(segmentMidpoint(Segment({-1, -1}, {-2, -2})), cv::Point(-1, -1));
  EXPECT_EQ(CentredOffsets(0.0, 5.0).around({10, 10}), Segment({7, 10}, {12, 10}));
  // A vertical carrier: the cosine of the literal right angle moves its lower end one column.
  EXPECT_EQ(CentredOffsets(kRightAngle, 10.0).around({10, 10}), Segment({10, 5}, {9, 15}));
  // So the foot from (200, 150) onto a horizontal base 150 pixels down lands at x = 198.5,
  // truncated to 198, and not under the point.
  EXPECT_EQ(perpendicularFoot({200, 150}, Segment({100, 300}, {300, 300}), 100.0),
            cv::Point(198, 300));
  EXPECT_EQ(Segment(), Segment({-1, -1}, {-1, -1}));
}

TEST(Angles, UnitsUseTheProgramsPiLiteral) {
  // The literal differs from the library's pi by about 2e-13, far more than rounding.
  EXPECT_NEAR(degToRad(180.0), 3.14159265359, 1e-15);
  EXPECT_NEAR(radToDeg(3.14159265359), 180.0, 1e-12);
  EXPECT_GT(std::fabs(radToDeg(M_PI) - 180.0), 1e-11);
  EXPECT_DOUBLE_EQ(pointDistance({0, 0}, {18, 24}), 30.0);
}

TEST(Angles, StraightAndDegenerateTriples) {
  std::ostringstream diag;
  EXPECT_EQ(angle3Points({0, 0}, {1, 0}, {0, 1}, diag), std::acos(0.0));
  // Opposite points on one line: temp is exactly -1, acos gives the library's pi.
  EXPECT_EQ(angle3Points({0, 0}, {-3, 0}, {5, 0}, diag), std::acos(-1.0));
  // Rounding puts temp just outside [-1, 1] for some collinear triples: the fallbacks then give
  // the literal pi or 0, never a NaN and never a diagnostic.
  int literalPi = 0, zero = 0;
  for (int a = 1; a < 60; ++a)
    for (int b = 1; b < 60; ++b) {
      const double opposite = angle3Points({0, 0}, {a, 3 * a}, {-b, -3 * b}, diag);
      const double same = angle3Points({0, 0}, {a, 7 * a}, {b, 7 * b}, diag);
      ASSERT_NEAR(opposite, M_PI, 1e-7);
      ASSERT_LT(same, 1e-7);
      literalPi += opposite == 3.14159265359;
      zero += same == 0.0;
    }
  EXPECT_GT(literalPi, 0);
  EXPECT_GT(zero, 0);
  EXPECT_EQ(diag.str(), "");

  EXPECT_TRUE(std::isnan(angle3Points({2, 3}, {2, 3}, {5, 7}, diag)));
  EXPECT_EQ(diag.str(),
            "erreur angle 3 points ! center : [2, 3] A : [2, 3] B : [5, 7] temp : -nan"
            "X1X3*X1X3+Y1Y3*Y1Y3" "0" "X2X3*X2X3+Y2Y3*Y2Y3" "25"
            "(sqrt(X1X3*X1X3+Y1Y3*Y1Y3)*sqrt(X2X3*X2X3+Y2Y3*Y2Y3))" "0\n");
}

TEST(Chain, MeansEqualTheWindowsSummedAfresh) {
  cv::RNG rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const int n = rng.uniform(1, 400), h = rng.uniform(0, 50);
    std::vector<cv::Point> chain;
    for (int i = 0; i < n; ++i) chain.emplace_back(rng.uniform(-50, 6000), rng.uniform(-50, 4000));
    const std::vector<cv::Point> smooth = smoothContour(chain, h);
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(smooth[i], testing::literalMean(chain, std::max(i - h, 0), std::min(i + h, n - 1)));
    const int first = rng.uniform(0, n), last = rng.uniform(first, n);
    const ChainSums stretch(chain, first, last - 1);
    ASSERT_EQ(stretch.size(), last - first);
    for (int from = 0; from < stretch.size(); from += 7)
      for (int to = from; to < stretch.size(); to += 5)
        ASSERT_EQ(stretch.mean(from, to), testing::literalMean(chain, first + from, first + to));
  }
  EXPECT_TRUE(smoothContour({}, 35).empty());
  EXPECT_EQ(*contourCenter({{0, 0}, {1, 0}, {1, 1}}), cv::Point(0, 0));  // 0.67, 0.33 truncated
  EXPECT_FALSE(contourCenter({}).has_value());
}

using testing::literalPointsOfSegment;

cv::Point randomPoint(std::mt19937& rng, int lo, int hiX, int hiY) {
  return {std::uniform_int_distribution<int>(lo, hiX)(rng),
          std::uniform_int_distribution<int>(lo, hiY)(rng)};
}

TEST(SegmentPixels, ListedAndCountedAsTheFullSizeRasterGivesThem) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 6000; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(1, 90)(rng),
                        std::uniform_int_distribution<int>(1, 90)(rng));
    // Ends inside the picture (short segments in every direction, long ones across it), or
    // anywhere around it; a mask of 0, 255 and 254 (which does not count).
    const bool inside = trial % 2 == 0;
    const cv::Point a = inside ? randomPoint(rng, 0, size.width - 1, size.height - 1)
                               : randomPoint(rng, -80, 140, 140);
    const cv::Point b = !inside ? randomPoint(rng, -80, 140, 140)
                        : trial % 4 ? randomPoint(rng, 0, size.width - 1, size.height - 1)
                                    : cv::Point(std::clamp(a.x + (int)(rng() % 7) - 3, 0, size.width - 1),
                                                std::clamp(a.y + (int)(rng() % 7) - 3, 0, size.height - 1));
    const Segment s(a, b);
    if (inside || a.x != b.x) {  // a vertical segment lists every y, inside the picture or not
      ASSERT_EQ(getAllPointsOfSegment(s, size), literalPointsOfSegment(s, size)) << a << b << size;
    }
    cv::Mat mask(size, CV_8UC1);
    cv::randu(mask, 0, 2);
    mask *= 255;
    if (trial % 5 == 0) mask.setTo(254, mask == 255);
    ASSERT_EQ(countSegmentPixelsInMask(s, mask), testing::literalCountInMask(s, mask)) << a << b;
  }
  // Far-away ends, as a degenerate foot can give, are clipped without walking the whole line.
  const cv::Mat full(40, 40, CV_8UC1, cv::Scalar(255));
  EXPECT_EQ(countSegmentPixelsInMask(Segment({20, 20}, {20, INT_MIN}), full), 21);
  EXPECT_EQ(countSegmentPixelsInMask(Segment(), full), 0);
}

TEST(ContourDensification, JoinsTheSegmentPixelsOfEveryPieceWithSharedEndsRepeated) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 300; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(5, 120)(rng),
                        std::uniform_int_distribution<int>(5, 120)(rng));
    std::vector<cv::Point> chain;
    for (int i = std::uniform_int_distribution<int>(1, 25)(rng); i > 0; --i)
      chain.push_back(randomPoint(rng, 0, size.width - 1, size.height - 1));
    std::vector<cv::Point> literal;
    for (size_t k = 1; k < chain.size(); ++k) {
      const auto piece = literalPointsOfSegment(Segment(chain[k - 1], chain[k]), size);
      literal.insert(literal.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(*getAllPointsOfContour(chain, size), literal);
    const auto dense = removeConsecutiveDuplicates(literal);
    for (size_t i = 1; i < dense.size(); ++i) {
      ASSERT_LE(std::abs(dense[i].x - dense[i - 1].x), 1);
      ASSERT_LE(std::abs(dense[i].y - dense[i - 1].y), 1);
      ASSERT_NE(dense[i], dense[i - 1]);
    }
  }
  // No point at all is the failure; one point leaves nothing to join.
  EXPECT_FALSE(getAllPointsOfContour({}, cv::Size(20, 20)).has_value());
  EXPECT_TRUE(getAllPointsOfContour({{3, 3}}, cv::Size(20, 20))->empty());
  EXPECT_TRUE(removeConsecutiveDuplicates({}).empty());
}

}  // namespace
}  // namespace leafmargin
