// The whole-leaf analysis's own outputs: copies of one tooth from overlapping windows merged
// into one tooth, the tables and the overview picture with labels that never overlap.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "support/read_file.h"
#include "wholeleaf/tooth_merge.h"
#include "wholeleaf/whole_leaf_drawing.h"
#include "wholeleaf/whole_leaf_tables.h"

namespace leafmargin {
namespace {

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
  WholeLeafSummary leaf;
  leaf.leaf = 2, leaf.teeth = 12, leaf.coveredPct = 96.5, leaf.borderLengthMm = 31.25;
  leaf.dilp.morphotype = "a_2";
  const auto rows = testing::tableCells(composeWholeLeafLeavesTable("a.jpg", "300", {leaf}), ',');
  ASSERT_EQ(rows.size(), 2u);
  std::vector<std::string> header = dilpHeaderFields();
  header.insert(header.end(), {"picture", "leaf", "dpi", "teeth", "outline_covered_pct", "border_length_mm"});
  EXPECT_EQ(rows[0], header);
  EXPECT_EQ(rows[1][2], "a_2");
  EXPECT_EQ(std::vector<std::string>(rows[1].end() - 6, rows[1].end()),
            (std::vector<std::string>{"a.jpg", "2", "300", "12", "96.50", "31.25"}));
  EXPECT_NE(composeWholeLeafLeavesTable("a, b.jpg", "300", {leaf}).find(",\"a, b.jpg\",2,300,"),
            std::string::npos);
}

// whole_leaf.png: a large scan reduced to 2000 pixels on its longer side, with a band below for
// the legend; the teeth ringed where they are on the reduced scan.
TEST(WholeLeafOverview, LargeScansAreReducedAndTeethRingedInPlace) {
  const cv::Mat large(1200, 3000, CV_8UC3, cv::Scalar(40, 40, 40));
  OverviewLeaf leaf;
  leaf.number = 1, leaf.centre = {300, 300}, leaf.tips = {{{1500.0, 600.0}, true}};
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
  const cv::Rect bounds(0, 0, 500, 400);
  const std::vector<cv::Point> places = placeLabels(anchors, sizes, {anchors.size(), {280, 400}}, 5, bounds);
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
