// A leaf's plan: its outline at working resolution and its ends; windows along an outline (off
// the petiole and the picture's border) and their crops, the map between a crop and the scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/whole_leaf.h"
#include "windows/leaf_ends.h"
#include "windows/leaf_plan.h"
#include "windows/window_crop.h"
#include "windows/working_outline.h"

namespace leafmargin {
namespace {

// The unit vector at the given angle (degrees, y down).
cv::Point2d unit(double degrees) {
  return {std::cos(degrees * CV_PI / 180), std::sin(degrees * CV_PI / 180)};
}

// An elliptic outline as a closed pixel chain, via a filled mask.
ClosedOutline ellipseOutline(cv::Size axes) {
  cv::Mat mask = cv::Mat::zeros(2 * axes.height + 40, 2 * axes.width + 40, CV_8UC1);
  cv::ellipse(mask, {axes.width + 20, axes.height + 20}, axes, 0, 0, 360, cv::Scalar(255), cv::FILLED);
  return outerOutline(mask);
}

TEST(ClosedOutline, LargestRegionWithTheLeafOnTheLeftDistancesWrappingRound) {
  cv::Mat mask = cv::Mat::zeros(300, 600, CV_8UC1);
  cv::ellipse(mask, {200, 150}, {150, 100}, 0, 0, 360, cv::Scalar(255), cv::FILLED);
  cv::circle(mask, {500, 150}, 40, cv::Scalar(255), cv::FILLED);
  const ClosedOutline outline = outerOutline(mask);
  const int n = outline.size();
  ASSERT_GT(n, 100);
  EXPECT_EQ(cv::boundingRect(outline.points), cv::Rect(50, 50, 301, 201));
  // Along the bottom the chain runs to the right.
  const int bottom = static_cast<int>(std::max_element(outline.points.begin(), outline.points.end(),
      [](cv::Point a, cv::Point b) { return a.y < b.y; }) - outline.points.begin());
  EXPECT_GT(outline.points[outline.wrap(bottom + 5)].x, outline.points[outline.wrap(bottom - 5)].x);

  const std::vector<cv::Point> stretch = outlineStretch(outline, n - 3, 7);
  ASSERT_EQ(stretch.size(), 7u);
  EXPECT_EQ(stretch[3], outline.points[0]);
  EXPECT_EQ(stretch.back(), outline.points[3]);
  for (int from : {0, n / 3, n - 1}) {
    for (int to : {1, n / 2, n - 2}) {
      const double forward = outline.forwardDistance(from, to);
      EXPECT_NEAR(forward + outline.forwardDistance(to, from), outline.length, 1e-9);
      EXPECT_EQ(outline.advance(from, forward), to);
    }
  }
}

// A leaf without a petiole has its ends on its long axis, the pointed one the apex, however it
// lies; the angle at an outline point is 90 degrees at a square's corner, 180 along its side.
TEST(LeafEnds, WithoutPetioleThePointedEndOfTheLongAxisIsTheApex) {
  const cv::Point2d centre(400, 400);
  for (double turn : {30.0, 210.0, -60.0}) {
    const cv::Point2d dir = unit(turn);
    std::vector<cv::Point> egg, hull;
    for (int k = 0; k < 360; ++k) egg.push_back(centre + 100.0 * unit(k));
    const cv::Point2d tip = centre + 300.0 * dir;
    egg.push_back(tip);
    cv::convexHull(egg, hull);
    cv::Mat mask = cv::Mat::zeros(800, 800, CV_8UC1);
    cv::fillConvexPoly(mask, hull, cv::Scalar(255));
    const ClosedOutline outline = outerOutline(mask);
    const LeafEnds ends = findLeafEnds(mask, outline, 20);
    EXPECT_FALSE(ends.petiole) << turn;
    EXPECT_LT(cv::norm(cv::Point2d(outline.points[ends.apex]) - tip), 5.0) << turn;
    const cv::Point2d base = centre - 100.0 * dir;
    EXPECT_LT(cv::norm(cv::Point2d(outline.points[ends.base]) - base), 10.0) << turn;
  }
  cv::Mat square = cv::Mat::zeros(300, 300, CV_8UC1);
  square(cv::Rect(50, 50, 200, 200)).setTo(255);
  const ClosedOutline outline = outerOutline(square);
  const auto at = [&](cv::Point p) {
    const auto& points = outline.points;
    return static_cast<int>(std::find(points.begin(), points.end(), p) - points.begin());
  };
  EXPECT_NEAR(angleAtPoint(outline, at({50, 50}), 40.0), 90.0, 1e-9);
  EXPECT_NEAR(angleAtPoint(outline, at({150, 249}), 40.0), 180.0, 1e-9);
}

TEST(WindowGeometry, CropToScanAndBackLandsOnTheSamePixel) {
  // Stretches whose chords point every way, quarter turns (copied exactly) included.
  const ClosedOutline outline = ellipseOutline({700, 300});
  WorkingOutline leaf;
  leaf.origin = {37.0, 11.0};
  for (double scale : {1.0, 1.6216}) {
    leaf.scale = scale;
    for (int first = 0; first < outline.size(); first += outline.size() / 9) {
      const CropTransform t = cropTransformFor(outlineStretch(outline, first, 400), 60);
      for (cv::Point q : {cv::Point(0, 0), cv::Point(17, 250), cv::Point(399, 61)}) {
        const cv::Point2d scan = leaf.toScan(t.workingPoint(q));
        const cv::Point2d back = t.cropPoint(leaf.fromScan(scan));
        EXPECT_NEAR(back.x, q.x, 1e-9);
        EXPECT_NEAR(back.y, q.y, 1e-9);
      }
    }
  }
}

TEST(WindowGeometry, ChordsWithinFifteenDegreesOfAQuarterTurnAreCopiedWithoutResampling) {
  for (int quarter = 0; quarter < 4; ++quarter)
    for (double off : {-10.0, 10.0, -20.0, 20.0}) {
      const cv::Point2d chord = 400.0 * unit(90.0 * quarter + off), axis = unit(90.0 * quarter);
      const cv::Point from(500, 500), to = from + cv::Point(std::lround(chord.x), std::lround(chord.y));
      const cv::Matx23d m = cropTransformFor({from, to}, 60).toCrop;
      const double c = std::round(axis.x), s = std::round(axis.y);
      const bool copied = m(0, 0) == c && m(0, 1) == s && m(1, 0) == -s && m(1, 1) == c;
      EXPECT_EQ(copied, std::abs(off) < 15.0) << quarter << " quarter turns " << off << " degrees";
    }
}

TEST(WindowGeometry, WindowsCoverTheStretchBetweenTwoPointsTwiceOver) {
  const ClosedOutline outline = ellipseOutline({900, 400});
  const int from = 100, to = 2600;
  const std::vector<OutlineWindow> windows = layWindows(outline, from, to, 800.0, 2);
  ASSERT_GE(windows.size(), 3u);
  EXPECT_EQ(windows.front().first, from);
  EXPECT_EQ(windows.back().last(outline), to);
  for (std::size_t k = 0; k < windows.size(); ++k) {
    const double length = outline.forwardDistance(windows[k].first, windows[k].last(outline));
    EXPECT_NEAR(length, 800.0, 3.0);
    if (k > 0) {
      EXPECT_LE(outline.forwardDistance(windows[k - 1].first, windows[k].first), 400.0 + 2.0);
    }
  }
}

TEST(WindowGeometry, AnApexIsAToothAmongTeethWithTipsOnBothSides) {
  const std::vector<double> tips{100, 200, 300, 600};
  struct Case { double position; bool tooth; };
  for (const Case c : {Case{200, true}, Case{230, true}, Case{300, false}, Case{450, false}, Case{100, false}})
    EXPECT_EQ(isToothAmongTeeth(tips, c.position, 100.0), c.tooth) << c.position;
  EXPECT_FALSE(isToothAmongTeeth(tips, 200, 0.0));
  EXPECT_EQ(typicalToothSpacing({10, 100, 250, 340}), 90.0);
  EXPECT_EQ(typicalToothSpacing({10, 100}), 0.0);
}

TEST(WindowGeometry, CropEndsWithItsStretchAndOneThatTurnsBackIsRejected) {
  const ClosedOutline outline = ellipseOutline({400, 200});
  const WindowCrop round = cutWindowCrop(outlineStretch(outline, 0, outline.size() * 3 / 4));
  EXPECT_EQ(round.rejection, "outline turns back");
  EXPECT_TRUE(round.picture.empty());
  EXPECT_EQ(cutWindowCrop(outlineStretch(outline, 0, 40)).rejection, "stretch too short");
  // An accepted crop begins and ends with its stretch, on its left and right edges, the stretch
  // at least 60 rows down. The leaf fills the top band and everything above the stretch (the
  // ellipse's centre), the ground everything below it.
  const std::vector<cv::Point> stretch = outlineStretch(outline, 0, outline.size() / 5);
  const WindowCrop kept = cutWindowCrop(stretch);
  EXPECT_EQ(kept.rejection, "");
  EXPECT_NEAR(kept.transform.cropPoint(stretch.front()).x, 0.0, 1e-9);
  for (const cv::Point& p : stretch) EXPECT_GE(kept.transform.cropPoint(p).y, 60.0 - 1e-9);
  EXPECT_LT(kept.transform.cropPoint({420.0, 220.0}).y, kept.transform.cropPoint(stretch.front()).y);
  EXPECT_EQ(kept.picture.cols, std::lround(kept.transform.cropPoint(stretch.back()).x) + 1);
  EXPECT_EQ(kept.foreground.size(), kept.picture.size());
  EXPECT_EQ(cv::countNonZero(kept.foreground.row(0)), kept.foreground.cols);
  EXPECT_EQ(cv::countNonZero(kept.foreground.row(kept.foreground.rows - 1)), 0);
  for (std::size_t k = 0; k < stretch.size(); k += 37) {
    const cv::Point2d q = kept.transform.cropPoint(stretch[k]);
    const int x = static_cast<int>(std::lround(q.x)), y = static_cast<int>(std::lround(q.y));
    if (x < 1 || x + 1 >= kept.picture.cols) continue;
    EXPECT_EQ(kept.foreground.at<uchar>(y - 3, x), 255) << k;
    EXPECT_EQ(kept.foreground.at<uchar>(y + 3, x), 0) << k;
    EXPECT_EQ(kept.picture.at<cv::Vec3b>(y + 3, x), cv::Vec3b(16, 16, 16)) << k;
  }
  // Seen through a crop, the scan of the filled ellipse (bright on dark) is the crop's foreground
  // along the stretch (the crop's top may reach past the far side), for stretches every way round.
  cv::Mat scan(450, 850, CV_8UC3, cv::Scalar::all(0));
  cv::fillPoly(scan, std::vector<std::vector<cv::Point>>{outline.points}, cv::Scalar::all(255), cv::LINE_8, 0, {9, 4});
  for (int first = 0; first < outline.size(); first += outline.size() / 7) {
    const WindowCrop crop = cutWindowCrop(outlineStretch(outline, first, outline.size() / 6));
    cv::Mat seen;
    cv::cvtColor(cropOfScan(scan, crop, cv::Matx23d(1, 0, -9, 0, 1, -4)), seen, cv::COLOR_BGR2GRAY);
    const cv::Range near(crop.foreground.rows - 150, crop.foreground.rows);
    EXPECT_LT(cv::countNonZero((seen.rowRange(near) > 128) != crop.foreground.rowRange(near)), 150 * seen.cols / 100) << first;
  }
}

// The runs of a blade that can be measured: the blade from the base (its petiole left out)
// without the points on the picture's border; a whole loop stays whole across its start.
TEST(WindowGeometry, MeasurableRunsLeaveOutThePetioleAndTheBorder) {
  const ClosedOutline outline = ellipseOutline({300, 150});
  const int n = outline.size();
  std::vector<bool> none(n, false), border(n, false);
  for (int i = n / 4; i < n / 3; ++i) border[i] = true;
  for (int i = n - 10; i < n; ++i) border[i] = true;
  LeafEnds whole;  // no petiole: base == bladeEnd
  whole.base = whole.bladeEnd = 50;
  LeafEnds stalk;
  stalk.base = 50;
  stalk.bladeEnd = n - 100;
  stalk.petiole = true;
  using Runs = std::vector<std::pair<int, int>>;
  EXPECT_EQ(measurableRuns(outline, whole, none), (Runs{{50, 50}}));
  EXPECT_EQ(measurableRuns(outline, stalk, none), (Runs{{50, n - 100}}));
  EXPECT_EQ(measurableRuns(outline, stalk, border), (Runs{{50, n / 4 - 1}, {n / 3, n - 100}}));
  // The whole loop has no cut at its base: the run after the last border stretch goes on
  // through the base.
  EXPECT_EQ(measurableRuns(outline, whole, border), (Runs{{0, n / 4 - 1}, {n / 3, n - 11}}));
  std::vector<bool> fromStart(n, false);
  for (int i = 10; i < 20; ++i) fromStart[i] = true;
  // The run through the base joins the one before it.
  EXPECT_EQ(measurableRuns(outline, whole, fromStart), (Runs{{20, 9}}));
  // Windows stay inside the runs.
  for (const OutlineWindow& w : layLeafWindows(outline, stalk, border, 300.0, 3, false)) {
    for (int k = 0; k < w.count; ++k) {
      const int i = outline.wrap(w.first + k);
      EXPECT_FALSE(border[i]) << i;
      EXPECT_LE(outline.forwardDistance(stalk.base, i), outline.forwardDistance(stalk.base, stalk.bladeEnd));
    }
  }
}

// The smooth outline brought to working resolution: a closed chain of 8-neighbours, its length
// the circle's at the new scale, its points where the scale puts them, the border flags kept.
TEST(WorkingOutline, ScaledChainIsClosedEightConnectedAndKeepsItsFlags) {
  SmoothOutline circle;
  for (int k = 0; k < 720; ++k) {
    const double a = -k * CV_PI / 360;  // leaf on the left on the y-down screen
    circle.points.push_back({500.0 + 40.0 * std::cos(a), 300.0 + 40.0 * std::sin(a)});
    circle.onBorder.push_back(k < 90);
  }
  for (double scale : {0.5, 1.0, 4.0, 8.0}) {
    const WorkingOutline w = toWorkingResolution(circle, scale);
    const ClosedOutline& o = w.outline;
    ASSERT_EQ(w.onBorder.size(), o.points.size());
    for (int i = 0; i < o.size(); ++i) {
      const cv::Point d = o.points[o.wrap(i + 1)] - o.points[i];
      ASSERT_TRUE(std::abs(d.x) <= 1 && std::abs(d.y) <= 1 && d != cv::Point(0, 0)) << scale << " " << i;
      const cv::Point2d scan = w.toScan(o.points[i]);
      EXPECT_NEAR(cv::norm(scan - cv::Point2d(500, 300)), 40.0, 0.8 / scale + 0.05) << scale;
      const double angle = std::atan2(300 - scan.y, scan.x - 500);
      if (angle > 0.05 && angle < CV_PI / 4 - 0.05) {
        EXPECT_TRUE(w.onBorder[i]) << scale << " " << scan;
      } else if (angle < -0.05 || angle > CV_PI / 4 + 0.05) {
        EXPECT_FALSE(w.onBorder[i]) << scale << " " << scan;
      }
    }
    // A circle's chain of pixels is about 1.08 times the circumference (steps of 1 and 1.41).
    EXPECT_NEAR(o.length / (2 * CV_PI * 40 * scale), 1.06, 0.05) << scale;
    EXPECT_LT(twiceSignedArea(std::vector<cv::Point2d>(o.points.begin(), o.points.end())), 0.0);
  }
}

}  // namespace
}  // namespace leafmargin
