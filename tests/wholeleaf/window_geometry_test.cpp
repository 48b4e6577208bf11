// Whole-leaf geometry: the leaves of a scan (the ground is the class of the border, thin lines
// do not join leaves, a leaf that touches the border is left out), their outlines and ends;
// windows along an outline and their crops, where the windows lie and the map between a crop
// and the scan it was cut from; copies of one tooth from overlapping windows merged into one
// tooth; the tables and the overview picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/whole_leaf.h"
#include "leaves/leaf_regions.h"
#include "wholeleaf/leaf_ends.h"
#include "wholeleaf/leaf_plan.h"
#include "wholeleaf/tooth_merge.h"
#include "wholeleaf/whole_leaf_drawing.h"
#include "wholeleaf/whole_leaf_tables.h"
#include "wholeleaf/window_crop.h"
#include "wholeleaf/working_leaf.h"

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
  WorkingLeaf leaf;
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
  WorkingLeaf oval;
  oval.mask = cv::Mat::zeros(480, 880, CV_8UC1);
  cv::ellipse(oval.mask, {440, 240}, {400, 200}, 0, 0, 360, cv::Scalar(255), cv::FILLED);
  oval.picture = cv::Mat(oval.mask.size(), CV_8UC3, cv::Scalar(200, 200, 200));
  const ClosedOutline outline = outerOutline(oval.mask);
  const WindowCrop round = cutWindowCrop(oval, outlineStretch(outline, 0, outline.size() * 3 / 4));
  EXPECT_EQ(round.rejection, "outline turns back");
  EXPECT_TRUE(round.picture.empty());
  // An accepted crop ends where its stretch ends: the last point on the right edge.
  const std::vector<cv::Point> stretch = outlineStretch(outline, 0, outline.size() / 5);
  const WindowCrop kept = cutWindowCrop(oval, stretch);
  EXPECT_EQ(kept.rejection, "");
  EXPECT_EQ(kept.picture.cols, std::lround(kept.transform.cropPoint(stretch.back()).x) + 1);
}

// The plan of a generated whole leaf turned by 5 degrees: the ends where they were drawn, no
// window wraps round the apex or runs onto the petiole, and a window's crop is what the
// analysis takes.
TEST(WindowGeometry, PlannedWindowsStayOnTheBladeAndTheirCropsAreWhatTheAnalysisTakes) {
  leafgen::WholeLeafSpec design;
  design.turnDegrees = 5.0;
  const leafgen::GeneratedWholeLeaf drawn = leafgen::generateWholeLeaf(design);
  const ScanPlan plan = planWholeLeafScan(drawn.image, std::nullopt, 1.0);
  ASSERT_EQ(plan.leaves.size(), 1u);
  const LeafPlan& leaf = plan.leaves[0];
  EXPECT_LT(cv::norm(leaf.leaf.toScan(leaf.outline.points[leaf.ends.apex]) - drawn.apex), 10.0);
  EXPECT_TRUE(leaf.ends.petiole);
  EXPECT_LT(cv::norm(leaf.leaf.toScan(leaf.outline.points[leaf.ends.base]) - drawn.base), 0.1 * design.bladeLength);
  EXPECT_FALSE(leaf.windowOnApex);  // the drawn apex is no tooth
  // The blade is the outline but the petiole: down one side of the stalk, across it, back up
  // (and a little more where the stalk widens into the blade).
  const double offBlade = leaf.outline.length - leaf.bladeLength();
  EXPECT_GT(offBlade, 2 * design.petioleLength + design.petioleWidth);
  EXPECT_LT(offBlade, 3 * design.petioleLength);

  const double apexAt = leaf.position(leaf.ends.apex);
  for (bool onApex : {false, true}) {
    int centredOnApex = 0;
    for (const OutlineWindow& w : layLeafWindows(leaf.outline, leaf.ends, leaf.windowLength, 3, onApex)) {
      const double start = leaf.position(w.first);
      const double end = start + leaf.outline.forwardDistance(w.first, w.last(leaf.outline));
      EXPECT_LE(end, leaf.bladeLength() + 1e-6);
      if (!onApex) {
        EXPECT_FALSE(start < apexAt && apexAt < end) << start << ".." << end;
      }
      centredOnApex += std::abs((start + end) / 2 - apexAt) < 3.0;
    }
    EXPECT_EQ(centredOnApex, onApex ? 1 : 0);
  }
  // A window of the plan gives a crop the analysis takes: leaf across the top, dark ground below.
  const OutlineWindow& w = leaf.windows.front();
  const WindowCrop crop = cutWindowCrop(leaf.leaf, outlineStretch(leaf.outline, w.first, w.count));
  ASSERT_TRUE(crop.rejection.empty());
  cv::Mat gray;
  cv::cvtColor(crop.picture, gray, cv::COLOR_BGR2GRAY);
  EXPECT_EQ(cv::countNonZero(gray.row(10) > 60), gray.cols);
  EXPECT_EQ(cv::countNonZero(gray.row(gray.rows - 1) > 60), 0);
}

// Two dark blobs on white paper printed with a grid whose lines touch both and the border.
cv::Mat paperWithGrid() {
  cv::Mat picture(600, 900, CV_8UC3, cv::Scalar(235, 235, 245));
  for (int x = 25; x < picture.cols; x += 50) cv::line(picture, {x, 0}, {x, picture.rows - 1}, cv::Scalar(90, 90, 200), 2);
  for (int y = 25; y < picture.rows; y += 50) cv::line(picture, {0, y}, {picture.cols - 1, y}, cv::Scalar(90, 90, 200), 2);
  cv::ellipse(picture, {600, 160}, {180, 90}, 10, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);
  cv::ellipse(picture, {250, 400}, {170, 120}, 0, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);
  cv::ellipse(picture, {880, 500}, {120, 60}, 0, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);  // on the border
  return picture;
}

TEST(LeafRegions, LeavesOnGridPaperAreFoundInReadingOrder) {
  const cv::Mat picture = paperWithGrid();
  cv::Mat gray;
  cv::cvtColor(picture, gray, cv::COLOR_BGR2GRAY);
  const LeafClass leafClass = chooseLeafClass(gray, std::nullopt);
  EXPECT_FALSE(leafClass.leafIsBright);
  const LeafRegions regions = findLeafRegions(leafClassMask(gray, leafClass), 10000.0, 4);
  ASSERT_EQ(regions.leaves.size(), 2u);
  EXPECT_EQ(regions.onBorder, 1);
  // Top leaf first; at working resolution each leaf is its ellipse, without the lines on it.
  EXPECT_NEAR(regions.leaves[0].box.y, 65, 5);
  const WorkingLeaf leaf = bringToWorkingResolution(picture, regions.leaves[1], leafClass, 1.0);
  EXPECT_NEAR(cv::countNonZero(leaf.mask), CV_PI * 170.5 * 120.5, 250);  // as cv::ellipse fills it
  EXPECT_NEAR(cv::boundingRect(leaf.mask).width, 341, 2);
  const cv::Rect scanBox(cv::Point(leaf.origin), leaf.picture.size());
  EXPECT_EQ(cv::norm(leaf.picture, picture(scanBox), cv::NORM_INF), 0.0);
  // At twice the resolution (a 600 dpi scan) the same ellipse, twice as large, where toScan says.
  const WorkingLeaf doubled = bringToWorkingResolution(picture, regions.leaves[1], leafClass, 2.0);
  EXPECT_EQ(doubled.picture.size(), doubled.mask.size());
  EXPECT_NEAR(cv::countNonZero(doubled.mask), 4 * CV_PI * 170.5 * 120.5, 2500);
  const cv::Rect box = cv::boundingRect(doubled.mask);
  EXPECT_NEAR(doubled.toScan(box.tl()).x, 250 - 170, 2.0);
  EXPECT_NEAR(doubled.toScan(box.br() - cv::Point(1, 1)).y, 400 + 120, 2.0);
}

TEST(LeafRegions, GivenPolarityOverridesTheBorder) {
  cv::Mat gray(200, 200, CV_8UC1, cv::Scalar(30));
  cv::circle(gray, {100, 100}, 60, cv::Scalar(200), cv::FILLED);
  EXPECT_TRUE(chooseLeafClass(gray, std::nullopt).leafIsBright);
  const LeafClass forced = chooseLeafClass(gray, false);
  EXPECT_FALSE(forced.leafIsBright);
  EXPECT_EQ(leafClassMask(gray, forced).at<uchar>(0, 0), 255);
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
}

// whole_leaf.png: a large scan reduced to 2000 pixels on its longer side, the teeth ringed where
// they are on the reduced scan; a small scan kept at its size.
TEST(WholeLeafOverview, LargeScansAreReducedAndTeethRingedInPlace) {
  const cv::Mat large(1200, 3000, CV_8UC3, cv::Scalar(40, 40, 40));
  const cv::Mat drawn = drawWholeLeafOverview(large, {}, {{1500.0, 600.0}});
  ASSERT_EQ(drawn.size(), cv::Size(2000, 800));
  const auto ringed = [&](cv::Point centre) {
    cv::Mat channels[3];
    cv::split(drawn(cv::Rect(centre - cv::Point(12, 12), cv::Size(25, 25))), channels);
    return cv::countNonZero((channels[1] > 200) & (channels[2] < 100));
  };
  EXPECT_GT(ringed({1000, 400}), 20);
  EXPECT_EQ(ringed({1500, 600}), 0);
  const cv::Mat small = large(cv::Rect(0, 0, 1000, 600));
  EXPECT_EQ(drawWholeLeafOverview(small, {}, {}).size(), small.size());
}

}  // namespace
}  // namespace leafmargin
