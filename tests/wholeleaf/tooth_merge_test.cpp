// Copies of one tooth from overlapping windows become one tooth; distinct teeth stay distinct.
#include <gtest/gtest.h>

#include <cmath>

#include "wholeleaf/tooth_merge.h"
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

}  // namespace
}  // namespace leafmargin
