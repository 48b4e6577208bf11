// Perimeters as a person tracing the margin measures them: straight stretches and corners keep
// their exact length whatever the sampling, a staircase within the tolerance is dropped, the
// border's share is the stretch along it, and the outlines of drawn circles, ellipses and toothed
// leaves segmented at 1200, 600, 300 and 150 dpi come out within 1 % of the drawn length.
#include <gtest/gtest.h>

#include <cmath>

#include "drawn_leaf.h"
#include "physiognomy/traced_length.h"

namespace leafmargin {
namespace {

// Points along the polyline through corners, at most step apart, corners included; closed: back
// to the first corner (not repeated).
std::vector<cv::Point2d> sampled(const std::vector<cv::Point2d>& corners, double step, bool closed) {
  std::vector<cv::Point2d> points;
  const std::size_t sides = closed ? corners.size() : corners.size() - 1;
  for (std::size_t k = 0; k < sides; ++k) {
    const cv::Point2d a = corners[k], b = corners[(k + 1) % corners.size()];
    const int n = static_cast<int>(std::ceil(cv::norm(b - a) / step));
    for (int i = 0; i < n; ++i) points.push_back(a + (b - a) * (static_cast<double>(i) / n));
  }
  if (!closed) points.push_back(corners.back());
  return points;
}

TEST(TracedLength, RunsKeepCornersAndDropAStaircaseWithinTheTolerance) {
  std::vector<cv::Point2d> stairs, rough;
  for (int k = 0; k <= 100; ++k) {
    stairs.emplace_back(k, 20.0 + (k % 2 ? 0.3 : -0.3));  // within 0.5 of the straight line
    rough.emplace_back(k, 20.0 + (k % 2 ? 0.8 : -0.8));   // not
  }
  stairs.front().y = stairs.back().y = rough.front().y = rough.back().y = 20.0;
  const std::vector<cv::Point2d> toothed{{0, 0}, {7, -3}, {10, 0}, {17, -3}, {20, 0}, {20, 9}, {0, 9}};
  struct Case {
    const char* name;
    std::vector<cv::Point2d> run;
    bool closed;
    double length;
  };
  const Case cases[] = {
      {"open corner", sampled({{3, 4}, {3, 40}, {30, 4}}, 0.37, false), false, 36 + 45},
      {"toothed loop", sampled(toothed, 0.45, true), true, 2 * std::sqrt(58.0) + 2 * std::sqrt(18.0) + 38},
      {"tilted square", sampled({{0, 0}, {30, 8}, {22, 38}, {-8, 30}}, 0.9, true), true, 4 * std::sqrt(964.0)},
      {"staircase", stairs, false, 100},
      {"two points", {{0, 0}, {3, 4}}, false, 5},
      {"two points closed", {{0, 0}, {3, 4}}, true, 10},
  };
  for (const Case& c : cases) EXPECT_NEAR(tracedRunLength(c.run, c.closed, 0.5), c.length, 1e-4) << c.name;
  // A loop has no end: a bump within the tolerance at its first point goes too.
  std::vector<cv::Point2d> square = sampled({{0, 5}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}, 0.5, true);
  square.front().x = 0.3;
  EXPECT_NEAR(tracedRunLength(square, true, 0.5), 40, 1e-4);
  EXPECT_GT(tracedRunLength(rough, false, 0.5), 150.0);
  EXPECT_NEAR(tracedRunLength(rough, false, 0.9), 100.0, 1e-4);
}

// A 20 x 10 rectangle traced a point every half pixel, with the points at x = 0 on the picture's
// border: the stretch along the border counts as border wherever the loop or the stretch starts.
TEST(TracedLength, TheBordersShareIsTheStretchAlongIt) {
  const std::vector<cv::Point2d> outline = sampled({{0, 0}, {0, 10}, {20, 10}, {20, 0}}, 0.5, true);
  std::vector<bool> left, right, all(outline.size(), true);
  for (const cv::Point2d& p : outline) left.push_back(p.x == 0), right.push_back(p.x == 20);
  const int n = static_cast<int>(outline.size());  // 120: corners at 0, 20, 60 and 80
  LeafPolygon loop{{{0, n}}, true}, fromMiddle{{{10, n}}, true};
  LeafPolygon cut{{{70, 51}}, false};  // (20,5) round to (0,0), then straight back
  // The same with bumps within the tolerance at (0,5), where the loop from the middle starts, and
  // at (0,9.5), next to the border's end.
  std::vector<cv::Point2d> bumped = outline;
  bumped[10].x = bumped[19].x = 0.3;
  const std::vector<const std::vector<cv::Point2d>*> outlines{&outline, &bumped};
  struct Case {
    const char* name;
    LeafPolygon polygon;
    const std::vector<bool>& border;
    double perimeter, onBorder;
  };
  const Case cases[] = {
      {"loop, border from its start", loop, left, 60, 10},
      {"loop, border round its start", fromMiddle, left, 60, 10},
      {"loop, border inside", loop, right, 60, 10},
      {"loop on the border", loop, all, 60, 60},
      {"no border", loop, {}, 60, 0},
      {"cut", cut, left, 25 + std::sqrt(425.0), 0},
      {"cut onto the border", LeafPolygon{{{70, 56}}, false}, left, 27.5 + std::sqrt(406.25), 2.5},
  };
  for (const Case& c : cases) {
    for (const std::vector<cv::Point2d>* points : outlines) {
      const TracedLength traced = tracedLength(c.polygon, *points, c.border, 0.5);
      EXPECT_NEAR(traced.perimeter, c.perimeter, 1e-4) << c.name;
      EXPECT_NEAR(traced.onBorder, c.onBorder, 1e-4) << c.name;
    }
  }
}

TEST(TracedLength, HalfAPixelOfTheSegmentedMask) {
  EXPECT_DOUBLE_EQ(tracingTolerance(150 / 25.4), 0.5);
  EXPECT_DOUBLE_EQ(tracingTolerance(600 / 25.4), 0.5);
  EXPECT_DOUBLE_EQ(tracingTolerance(1200 / 25.4), 1.0);
}

// The traced outline of a drawn shape overstates its length by about 3 % at every resolution.
TEST(TracedLength, DrawnShapesComeOutWithinOnePercentAtEveryResolution) {
  testing::LeafDrawing circle, ellipse, toothed, fine;
  circle.a = circle.b = 10;
  ellipse.a = 30, ellipse.b = 12, ellipse.turn = 0.35;
  toothed.a = 40, toothed.b = 20, toothed.turn = 0.7, toothed.toothWidth = 5, toothed.toothHeight = 1.5;
  fine.a = 35, fine.b = 15, fine.turn = 0.2, fine.toothWidth = 3, fine.toothHeight = 1;
  struct Case {
    const char* name;
    testing::LeafDrawing drawing;
    std::vector<double> dpis;
  };
  const Case cases[] = {{"circle", circle, {1200, 600, 300, 150}},
                        {"ellipse", ellipse, {1200, 600, 300, 150}},
                        {"5 x 1.5 mm teeth", toothed, {1200, 600, 300, 150}},
                        // At 150 dpi a 3 mm tooth is 18 pixels: its corners are lost in the mask.
                        {"3 x 1 mm teeth", fine, {1200, 600, 300}}};
  for (const Case& c : cases) {
    const testing::DrawnLeaf leaf = testing::drawLeaf(c.drawing);
    for (double dpi : c.dpis) {
      const testing::TracedLeaf traced =
          testing::traceLeaf(leaf, dpi, {c.drawing.a + 2, c.drawing.a + 2}, {2 * c.drawing.a + 4, 2 * c.drawing.a + 4});
      const double drawn = testing::polygonLength(traced.drawn);
      const LeafShape& s = traced.shape;
      const double length = tracedLength(bladePolygon(s), s.outline, s.onBorder, tracingTolerance(dpi / 25.4)).perimeter;
      EXPECT_NEAR(length / drawn, 1.0, 0.01) << c.name << " at " << dpi << " dpi";
      EXPECT_GT(testing::polygonLength(s.outline) / drawn, 1.02) << c.name << " at " << dpi << " dpi";
    }
  }
}

}  // namespace
}  // namespace leafmargin
