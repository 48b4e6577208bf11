// Lines, segments and angles on integer points: the conventions that decide the numbers of the
// results table (vertical lines, truncation toward zero, the program's pi literal).
#include <gtest/gtest.h>

#include <sstream>

#include "geometry/angles.h"
#include "geometry/chain.h"
#include "geometry/line.h"
#include "geometry/numeric.h"
#include "geometry/segment.h"

namespace leafmargin {
namespace {

TEST(Line, VerticalLinesCarryZeroSlopeAndTheRightAngleLiteral) {
  const Line v({3, 0}, {3, 5});
  EXPECT_TRUE(v.vertical);
  EXPECT_EQ(v.xVertical, 3);
  EXPECT_EQ(v.slope, 0.0);
  EXPECT_EQ(v.y0, 0.0);
  EXPECT_EQ(lineAngle(v), 1.570796326795);
  EXPECT_EQ(segmentAngle(Segment({3, 0}, {3, 5})), 1.570796326795);
  // The literal is not the library's pi/2: its cosine is a tiny negative number.
  EXPECT_LT(std::cos(lineAngle(v)), -1e-13);
  EXPECT_GT(std::cos(lineAngle(v)), -1.1e-13);
  EXPECT_EQ(lineYAtX(v, 10.0), 0.0);
  EXPECT_EQ(lineXAtY(v, 77), 3);
  EXPECT_DOUBLE_EQ(distancePointLine(v, {7, 100}), 4.0);
  std::ostringstream text;
  printLine(v, text);
  EXPECT_EQ(text.str(), "pente : 1e+07 y0 : 0\n");
  // Two equal points make a vertical line too.
  EXPECT_TRUE(Line({4, 4}, {4, 4}).vertical);
}

TEST(Line, SlopeInterceptAndTruncationTowardZero) {
  const Line l({0, 1}, {4, 3});
  EXPECT_DOUBLE_EQ(l.slope, 0.5);
  EXPECT_DOUBLE_EQ(l.y0, 1.0);
  EXPECT_DOUBLE_EQ(lineYAtX(l, 3.0), 2.5);
  EXPECT_EQ(lineXAtY(l, 4), 6);
  EXPECT_EQ(lineXAtY(Line({0, 0}, {3, -1}), 2), -6);  // -6 exactly
  EXPECT_EQ(lineXAtY(Line({0, 0}, {3, 2}), -1), -1);  // -1.5 truncates to -1, not -2
  EXPECT_DOUBLE_EQ(distancePointLine(Line({0, 0}, {1, 1}), {2, 0}), std::sqrt(2.0));
  // A horizontal line has no x at another height; the value is defined, never a crash.
  EXPECT_EQ(lineXAtY(Line({0, 5}, {9, 5}), 7), INT_MIN);
}

TEST(Line, IntersectionCases) {
  const Line vertical({4, 0}, {4, 9});
  const Line horizontal({0, 7}, {9, 7});
  const Line diagonal({0, 0}, {10, 10});
  const Line antiDiagonal({0, 10}, {10, 0});
  EXPECT_EQ(lineIntersection(vertical, horizontal), cv::Point(4, 7));
  EXPECT_EQ(lineIntersection(horizontal, vertical), cv::Point(4, 7));
  EXPECT_EQ(lineIntersection(diagonal, antiDiagonal), cv::Point(5, 5));
  EXPECT_EQ(lineIntersection(diagonal, Line({0, 3}, {10, 13})), cv::Point(-1, -1));
  EXPECT_EQ(lineIntersection(vertical, Line({4, 1}, {4, 2})), cv::Point(-1, -1));
  EXPECT_EQ(lineIntersection(vertical, Line({6, 1}, {6, 2})), cv::Point(-1, -1));
  // y is computed from the untruncated x: x' = 2.5 gives y = 2.5 * 1 + 0 -> 2, x -> 2.
  EXPECT_EQ(lineIntersection(diagonal, Line({0, 5}, {5, 0})), cv::Point(2, 2));
  // Negative crossings truncate toward zero.
  // x' = -1 and y = -0.5: y truncates to 0, not -1.
  EXPECT_EQ(lineIntersection(Line({0, 0}, {2, 1}), Line({0, 1}, {2, 4})), cv::Point(-1, 0));
}

TEST(Segment, MidpointCentringAndExtension) {
  EXPECT_EQ(segmentMidpoint(Segment({1, 1}, {2, 2})), cv::Point(1, 1));
  EXPECT_EQ(segmentMidpoint(Segment({-1, -1}, {-2, -2})), cv::Point(-1, -1));
  EXPECT_EQ(segmentCentredAt({10, 10}, 0.0, 5.0), Segment({7, 10}, {12, 10}));
  // A vertical carrier: cos of the literal right angle is slightly negative.
  EXPECT_EQ(segmentCentredAt({10, 10}, kRightAngle, 10.0), Segment({10, 5}, {9, 15}));
  EXPECT_EQ(Segment(), Segment({-1, -1}, {-1, -1}));
  EXPECT_DOUBLE_EQ(segmentLength(Segment({0, 0}, {3, 4})), 5.0);
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

  const double nan = angle3Points({2, 3}, {2, 3}, {5, 7}, diag);
  EXPECT_TRUE(std::isnan(nan));
  const std::string line = diag.str();
  EXPECT_EQ(line.rfind("erreur angle 3 points ! center : [2, 3] A : [2, 3] B : [5, 7] temp : ", 0), 0u);
  EXPECT_NE(line.find("nanX1X3*X1X3+Y1Y3*Y1Y3" "0" "X2X3*X2X3+Y2Y3*Y2Y3" "25"
                      "(sqrt(X1X3*X1X3+Y1Y3*Y1Y3)*sqrt(X2X3*X2X3+Y2Y3*Y2Y3))" "0\n"),
            std::string::npos);
}

TEST(Chain, SmoothingAndCentre) {
  const std::vector<cv::Point> three{{0, 0}, {3, 1}, {5, 8}};
  EXPECT_EQ(smoothContour(three, 35), std::vector<cv::Point>(3, cv::Point(2, 3)));
  EXPECT_TRUE(smoothContour({}, 35).empty());
  // Integer means truncate toward zero, also for negative sums.
  EXPECT_EQ(smoothContour({{-3, 0}, {-4, 0}}, 1), std::vector<cv::Point>(2, cv::Point(-3, 0)));
  EXPECT_EQ(*contourCenter({{0, 0}, {1, 0}, {1, 1}}), cv::Point(0, 0));
  EXPECT_FALSE(contourCenter({}).has_value());
  EXPECT_EQ(removeConsecutiveDuplicates({}), std::vector<cv::Point>{});
}

TEST(Chain, SmoothingMatchesTheWindowRecomputedFromScratch) {
  cv::RNG rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const int n = rng.uniform(1, 400);
    const int h = rng.uniform(0, 50);
    std::vector<cv::Point> chain;
    for (int i = 0; i < n; ++i) chain.emplace_back(rng.uniform(-50, 6000), rng.uniform(-50, 4000));
    const std::vector<cv::Point> fast = smoothContour(chain, h);
    for (int i = 0; i < n; ++i) {
      const int lo = std::max(i - h, 0), hi = std::min(i + h, n - 1);
      int sx = 0, sy = 0;
      for (int k = lo; k <= hi; ++k) {
        sx += chain[k].x;
        sy += chain[k].y;
      }
      ASSERT_EQ(fast[i], cv::Point(sx / (hi - lo + 1), sy / (hi - lo + 1)));
    }
  }
}

}  // namespace
}  // namespace leafmargin
