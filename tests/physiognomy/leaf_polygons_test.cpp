// The blade, petiole and internal blade of a 10 x 10 square traced one pixel a point: a petiole
// cut across a corner, teeth cut across corners (round the outline's start, sharing a sinus), and
// the spans that are no tooth of the blade, with their areas and traced lengths in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "physiognomy/leaf_polygons.h"
#include "physiognomy/traced_length.h"

namespace leafmargin {
namespace {

// The square's corners (0,0), (0,10), (10,10), (10,0) are points 0, 10, 20 and 30; the leaf lies
// on the left of the travel on the y-down screen.
LeafShape square(std::optional<int> petioleFrom, std::optional<int> petioleTo, std::vector<ToothSpan> teeth) {
  LeafShape shape;
  const cv::Point2d corners[4] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
  for (int side = 0; side < 4; ++side)
    for (int k = 0; k < 10; ++k) shape.outline.push_back(corners[side] + (corners[(side + 1) % 4] - corners[side]) / 10.0 * k);
  shape.petioleFrom = petioleFrom;
  shape.petioleTo = petioleTo;
  shape.teeth = std::move(teeth);
  return shape;
}

TEST(LeafPolygons, BladePetioleAndInternalBladeOfASquare) {
  const double r2 = std::sqrt(2.0);
  struct Case {
    const char* name;
    LeafShape shape;
    double blade, bladeLength, internal, internalLength, petiole;
  };
  const std::optional<int> none;
  const Case cases[] = {
      {"whole", square(none, none, {}), 100, 40, 100, 40, 0},
      // The petiole cut from (2,0) to (0,2): a triangle of 2.
      {"petiole", square(38, 2, {}), 98, 36 + 2 * r2, 98, 36 + 2 * r2, 2},
      {"tooth on a corner", square(none, none, {{17, 20, 23}}), 100, 40, 95.5, 34 + 3 * r2, 0},
      {"tooth round the start", square(none, none, {{37, 0, 3}}), 100, 40, 95.5, 34 + 3 * r2, 0},
      {"teeth sharing a sinus", square(none, none, {{7, 10, 13}, {13, 20, 27}}), 100, 40, 71,
       20 + 3 * r2 + 7 * r2, 0},
      // Three corners cut, the last tooth ending where the first begins: 10 of outline is left.
      {"teeth all round", square(none, none, {{5, 10, 15}, {25, 30, 35}, {35, 0, 5}}), 100, 40, 62.5,
       10 + 15 * r2, 0},
      {"petiole and tooth", square(38, 2, {{17, 20, 23}}), 98, 36 + 2 * r2, 93.5, 30 + 2 * r2 + 3 * r2, 2},
      // Spans that are no tooth of the blade keep their stretch.
      {"tip outside its span", square(none, none, {{17, 25, 23}}), 100, 40, 100, 40, 0},
      {"over the petiole", square(38, 2, {{37, 0, 3}}), 98, 36 + 2 * r2, 98, 36 + 2 * r2, 2},
      {"onto the petiole", square(38, 2, {{33, 36, 39}}), 98, 36 + 2 * r2, 98, 36 + 2 * r2, 2},
      {"overlapping the one before", square(none, none, {{17, 20, 23}, {21, 24, 26}}), 100, 40, 95.5,
       34 + 3 * r2, 0},
      {"one sinus", square(none, none, {{5, 6, 5}}), 100, 40, 100, 40, 0},
      {"off the outline", square(none, none, {{17, 20, 40}, {-1, 0, 3}}), 100, 40, 100, 40, 0},
      {"petiole ends equal", square(5, 5, {}), 100, 40, 100, 40, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LeafShape& s = c.shape;
    const LeafPolygon blade = bladePolygon(s), internal = internalBladePolygon(s), petiole = petiolePolygon(s);
    EXPECT_DOUBLE_EQ(polygonArea(blade, s.outline), c.blade);
    EXPECT_DOUBLE_EQ(polygonArea(internal, s.outline), c.internal);
    EXPECT_DOUBLE_EQ(polygonArea(petiole, s.outline), c.petiole);
    EXPECT_EQ(petiole.empty(), c.petiole == 0);
    EXPECT_NEAR(tracedLength(blade, s.outline, {}, 0.5).perimeter, c.bladeLength, 1e-5);
    EXPECT_NEAR(tracedLength(internal, s.outline, {}, 0.5).perimeter, c.internalLength, 1e-5);
  }
}

// The blade runs from where the petiole ends round to where it begins; the petiole back again.
TEST(LeafPolygons, PolygonsRunForwardBetweenThePetioleEnds) {
  const LeafShape s = square(38, 2, {{17, 20, 23}});
  const std::vector<cv::Point2d> blade = polygonPoints(bladePolygon(s), s.outline);
  ASSERT_EQ(blade.size(), 37u);
  EXPECT_EQ(blade.front(), cv::Point2d(0, 2));
  EXPECT_EQ(blade[15], cv::Point2d(7, 10));
  EXPECT_EQ(blade.back(), cv::Point2d(2, 0));
  const std::vector<cv::Point2d> petiole = polygonPoints(petiolePolygon(s), s.outline);
  EXPECT_EQ(petiole, (std::vector<cv::Point2d>{{2, 0}, {1, 0}, {0, 0}, {0, 1}, {0, 2}}));
  const LeafPolygon internal = internalBladePolygon(s);
  ASSERT_EQ(internal.stretches.size(), 2u);
  EXPECT_EQ(polygonPoints(internal, s.outline)[16], cv::Point2d(10, 7));
  // Round the start: one stretch from the tooth's end on to its beginning.
  const LeafShape loop = square(std::nullopt, std::nullopt, {{37, 0, 3}});
  const std::vector<cv::Point2d> round = polygonPoints(internalBladePolygon(loop), loop.outline);
  ASSERT_EQ(round.size(), 35u);
  EXPECT_EQ(round.front(), cv::Point2d(0, 3));
  EXPECT_EQ(round.back(), cv::Point2d(3, 0));
  EXPECT_TRUE(bladePolygon(square(std::nullopt, std::nullopt, {})).wholeLoop);
  EXPECT_FALSE(internal.wholeLoop);
  EXPECT_TRUE(bladePolygon(LeafShape{}).empty());
}

}  // namespace
}  // namespace leafmargin
