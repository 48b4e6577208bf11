// Whole-leaf geometry: a leaf's outline at working resolution and its ends; windows along an
// outline (off the petiole and the picture's border) and their crops, the map between a crop and
// the scan; copies of one tooth from overlapping windows merged into one tooth; the tables and
// the overview picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/whole_leaf.h"
#include "support/read_file.h"
#include "wholeleaf/leaf_ends.h"
#include "wholeleaf/leaf_plan.h"
#include "wholeleaf/tooth_merge.h"
#include "wholeleaf/whole_leaf_drawing.h"
#include "wholeleaf/whole_leaf_tables.h"
#include "wholeleaf/window_crop.h"
#include "wholeleaf/working_outline.h"

namespace leafmargin {
namespace {

// An elliptic outline as a closed pixel chain, via a filled mask.
// The unit vector at the given angle (degrees, y down).
cv::Point2d unit(double degrees) {
  return {std::cos(degrees * CV_PI / 180), std::sin(degrees * CV_PI / 180)};
}

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
        EXPECT_EQ(cv::Point(std::lround(back.x), std::lround(back.y)), q);
        EXPECT_NEAR(back.x, q.x, 1e-9);
        EXPECT_NEAR(back.y, q.y, 1e-9);
      }
    }
  }
}

TEST(WindowGeometry, StretchRunsFromLeftEdgeToRightEdgeWithTheLeafAbove) {
  const ClosedOutline outline = ellipseOutline({700, 300});
  for (int first : {0, 500, 1100, 1900}) {
    const std::vector<cv::Point> stretch = outlineStretch(outline, first, 500);
    const CropTransform t = cropTransformFor(stretch, 60);
    const cv::Point2d a = t.cropPoint(stretch.front()), b = t.cropPoint(stretch.back());
    EXPECT_NEAR(a.x, 0.0, 1e-9);
    EXPECT_GT(b.x, 0.8 * cv::norm(stretch.back() - stretch.front()));
    // The ellipse's centre (inside the leaf) lies above the stretch, every point at least 60 rows down.
    EXPECT_LT(t.cropPoint({720.0, 320.0}).y, std::min(a.y, b.y));
    for (const cv::Point& p : stretch) EXPECT_GE(t.cropPoint(p).y, 60.0 - 1e-9);
  }
}

TEST(WindowGeometry, ChordsWithinFifteenDegreesOfAQuarterTurnAreCopiedWithoutResampling) {
  for (int quarter = 0; quarter < 4; ++quarter) {
    for (double off : {-10.0, 10.0, -20.0, 20.0}) {
      const cv::Point from(500, 500);
      const cv::Point2d chord = 400.0 * unit(90.0 * quarter + off);
      const cv::Point to = from + cv::Point(std::lround(chord.x), std::lround(chord.y));
      const cv::Matx23d m = cropTransformFor({from, to}, 60).toCrop;
      const double c = std::round(unit(90.0 * quarter).x), s = std::round(unit(90.0 * quarter).y);
      const bool copied = m(0, 0) == c && m(0, 1) == s && m(1, 0) == -s && m(1, 1) == c;
      EXPECT_EQ(copied, std::abs(off) < 15.0) << quarter << " quarter turns " << off << " degrees";
    }
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
  // An accepted crop ends where its stretch ends: the last point on the right edge. The leaf
  // fills the top band and everything above the stretch, the ground everything below it.
  const std::vector<cv::Point> stretch = outlineStretch(outline, 0, outline.size() / 5);
  const WindowCrop kept = cutWindowCrop(stretch);
  EXPECT_EQ(kept.rejection, "");
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

WindowTooth copy(int window, double position, double centrality, double sinusAfter = 0.0) {
  WindowTooth t;
  t.window = window;
  t.position = position;
  t.centrality = centrality;
  t.width = 100.0;
  t.sinusBefore = position - 50.0;
  t.sinusAfter = sinusAfter != 0.0 ? sinusAfter : position + 50.0;
  return t;
}

TEST(ToothMerge, CopiesFromOverlappingWindowsMergeByPosition) {
  const std::vector<MergedTooth> merged = mergeTeeth({
      copy(0, 1000.0, 100.0), copy(1, 1003.0, 400.0), copy(2, 998.0, 250.0),  // one tooth
      copy(1, 1040.0, 300.0),   // same window as a copy above: another tooth, however close
      copy(2, 1200.0, 50.0),    // more than half a width away: another tooth
  });
  ASSERT_EQ(merged.size(), 3u);
  EXPECT_EQ(merged[0].copies.size(), 3u);
  EXPECT_EQ(merged[0].kept().window, 1);  // the most central copy
  EXPECT_EQ(merged[1].kept().position, 1040.0);
  EXPECT_EQ(merged[1].copies.size(), 1u);
  EXPECT_EQ(merged[2].kept().position, 1200.0);

  // A copy within reach of two teeth joins the nearer one, reached through half its width.
  const std::vector<MergedTooth> near = mergeTeeth({copy(0, 1000.0, 500.0), copy(0, 1060.0, 400.0),
                                                    copy(1, 1050.0, 100.0)});
  ASSERT_EQ(near.size(), 2u);
  EXPECT_EQ(near[0].copies.size(), 1u);
  EXPECT_EQ(near[1].copies.size(), 2u);
}

// Tips found by several windows are one tip within reach, kept where a window saw it most
// centrally; farther apart they are two.
TEST(ToothMerge, FoundTipsMergeWithinReach) {
  const std::vector<FoundTip> kept = mergeFoundTips(
      {{1000, 50, {1, 1}}, {1010, 300, {2, 2}}, {990, 200, {3, 3}}, {1200, 10, {4, 4}}, {1100, 80, {5, 5}}},
      60.0);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].tip, cv::Point2d(2, 2));
  EXPECT_EQ(kept[1].position, 1100.0);
  EXPECT_EQ(kept[2].position, 1200.0);
}

TEST(ToothMerge, MeasuresComeFromCopiesBetweenTheSameSinuses) {
  // The third window missed the sinus after the tooth and measured it up to the next one.
  const MergedTooth tooth{{copy(0, 500.0, 300.0), copy(1, 501.0, 200.0), copy(2, 502.0, 100.0, 650.0)}};
  const std::vector<WindowTooth> alike = copiesLikeKept(tooth);
  ASSERT_EQ(alike.size(), 2u);
  EXPECT_EQ(alike[1].window, 1);

  const double nan = std::nan("");
  std::array<double, kMeasureCount> a{}, b{}, c{};
  a[0] = 1.0, b[0] = 3.0, c[0] = 2.0;
  a[7] = nan, b[7] = 40.0, c[7] = nan;
  a[9] = nan, b[9] = nan, c[9] = nan;
  const auto median = medianMeasures({a, b, c});
  EXPECT_EQ(median[0], 2.0);
  EXPECT_EQ(median[7], 40.0);
  EXPECT_TRUE(std::isnan(median[9]));
  EXPECT_EQ(medianMeasures({a, b})[0], 2.0);
}

TEST(WholeLeafTables, TidyHeaderAndRows) {
  WholeLeafTooth tooth{2, 12.345, {10.0, 20.5}, 3, {}};
  tooth.measures.fill(1.5);
  tooth.measures[7] = std::nan("");
  EXPECT_EQ(composeWholeLeafTeethTable({tooth}),
            "leaf,position_mm,tip_x,tip_y,windows,tooth_width_mm,tooth_height_mm,sinus_width_mm,"
            "sinus_height_mm,height_width_ratio_pct,tooth_angle_deg,sinus_angle_deg,"
            "apical_angle_deg,symmetry_centre_pct,symmetry_perpendicular_pct\n"
            "2,12.35,10.00,20.50,3,1.50,1.50,1.50,1.50,1.50,1.50,1.50,NA,1.50,1.50\n");
  const WholeLeafWindow rejected{1, 4, 0.0, 25.5, {1, 2}, {3, 4}, false, "outline turns back, twice", 0};
  EXPECT_EQ(composeWholeLeafWindowsTable({rejected}),
            "leaf,window,start_mm,end_mm,start_x,start_y,end_x,end_y,status,reason,teeth\n"
            "1,4,0.00,25.50,1.00,2.00,3.00,4.00,rejected,\"outline turns back, twice\",0\n");
  // The leaves: dilp's columns first, then the program's own; a name with a comma is quoted.
  WholeLeafSummary first, second;
  first.leaf = 1, first.teeth = 12, first.coveredPct = 96.5;
  second.leaf = 2, second.coveredPct = 100.0, second.borderLengthMm = 31.25;
  first.dilp.morphotype = "a_1", second.dilp.morphotype = "a_2";
  const std::string leaves = composeWholeLeafLeavesTable("a.jpg", "300", {first, second});
  const auto rows = testing::tableCells(leaves, ',');
  ASSERT_EQ(rows.size(), 3u);
  const std::vector<std::string> dilp = dilpHeaderFields();
  EXPECT_EQ(std::vector<std::string>(rows[0].begin(), rows[0].begin() + dilp.size()), dilp);
  EXPECT_EQ(std::vector<std::string>(rows[0].begin() + dilp.size(), rows[0].end()),
            (std::vector<std::string>{"picture", "leaf", "dpi", "teeth", "outline_covered_pct", "border_length_mm"}));
  EXPECT_EQ(rows[1][2], "a_1");
  EXPECT_EQ(std::vector<std::string>(rows[1].begin() + dilp.size(), rows[1].end()),
            (std::vector<std::string>{"a.jpg", "1", "300", "12", "96.50", "0.00"}));
  EXPECT_EQ(std::vector<std::string>(rows[2].begin() + dilp.size(), rows[2].end()),
            (std::vector<std::string>{"a.jpg", "2", "300", "0", "100.00", "31.25"}));
  EXPECT_NE(composeWholeLeafLeavesTable("a, b.jpg", "300", {first}).find(",\"a, b.jpg\",1,300,"),
            std::string::npos);
}

// whole_leaf.png: a large scan reduced to 2000 pixels on its longer side, with a band below for
// the legend; the teeth ringed where they are on the reduced scan.
TEST(WholeLeafOverview, LargeScansAreReducedAndTeethRingedInPlace) {
  const cv::Mat large(1200, 3000, CV_8UC3, cv::Scalar(40, 40, 40));
  OverviewLeaf leaf;
  leaf.number = 1;
  leaf.centre = {300, 300};
  leaf.tips = {{{1500.0, 600.0}, true}};
  const cv::Mat drawn = drawWholeLeafOverview(large, {leaf}, 10.0);
  ASSERT_EQ(drawn.cols, 2000);
  ASSERT_GT(drawn.rows, 800);
  const auto ringed = [&](cv::Point centre) {
    cv::Mat channels[3];
    cv::split(drawn(cv::Rect(centre - cv::Point(12, 12), cv::Size(25, 25))), channels);
    return cv::countNonZero((channels[1] > 150) & (channels[0] < 100) & (channels[2] < 100));
  };
  EXPECT_GT(ringed({1000, 400}), 20);
  EXPECT_EQ(ringed({1500, 600}), 0);
}

// Numbers never overlap each other or a tip's ring: crowded tips push later numbers outward, and
// a number that finds no room is left out.
TEST(WholeLeafOverview, LabelsNeverOverlap) {
  std::vector<cv::Point> anchors;
  for (int k = 0; k < 40; ++k) anchors.emplace_back(200 + 4 * k, 200);  // 40 tips 4 pixels apart
  const std::vector<cv::Size> sizes(anchors.size(), cv::Size(22, 16));
  const std::vector<cv::Point2d> away(anchors.size(), cv::Point2d(280, 400));
  const cv::Rect bounds(0, 0, 500, 400);
  const std::vector<cv::Point> places = placeLabels(anchors, sizes, away, 5, bounds);
  std::vector<cv::Rect> boxes;
  for (std::size_t k = 0; k < places.size(); ++k) {
    if (places[k].x < 0) continue;
    const cv::Rect box(places[k] - cv::Point(11, 8), sizes[k]);
    EXPECT_EQ(box & bounds, box);
    for (const cv::Rect& other : boxes) EXPECT_EQ((box & other).area(), 0) << k;
    for (const cv::Point& a : anchors) EXPECT_FALSE(box.contains(a)) << k;
    boxes.push_back(box);
  }
  EXPECT_GE(boxes.size(), 8u);
  EXPECT_LT(boxes.size(), anchors.size());
  // A lone tip gets its number right beyond it, away from the leaf.
  const std::vector<cv::Point> lone = placeLabels({{100, 100}}, {{22, 16}}, {{100, 200}}, 5, bounds);
  EXPECT_EQ(lone[0].x, 100);
  EXPECT_LT(lone[0].y, 100 - 5);
}

}  // namespace
}  // namespace leafmargin
