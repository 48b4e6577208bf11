// Column statistics: population standard deviation, NaN skipped everywhere, the start values
// of the minimum and maximum, and the texts of a column with nothing to summarise.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/results_csv.h"
#include "report/statistics.h"

namespace leafmargin {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(Statistics, WorkedTable) {
  struct Case {
    std::vector<double> values;
    double scale;
    StatisticsTexts expected;
  };
  const Case cases[] = {
      {{1, 2, 3, 4}, 1, {"1,00", "4,00", "2,50", "1,50", "1,12"}},  // divisor n, not n - 1
      {{2, kNan, 4}, 1, {"2,00", "4,00", "3,00", "1,00", "1,00"}},
      {{7}, 1, {"7,00", "7,00", "7,00", "0,00", "0,00"}},
      {{5, 5, 8}, 100, {"500,00", "800,00", "600,00", "200,00", "141,42"}},
      {{236, 310.5, 287}, kMmPerPixel, {"5,00", "6,57", "5,88", "0,89", "0,66"}},
      {{0.8, kNan, 1.1}, kDegreesPerRadian, {"45,84", "63,03", "54,43", "8,59", "8,59"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(computeStatistics(c.values, c.scale, 2), c.expected) << "first " << c.values[0];
  }
}

TEST(Statistics, NanIsNeitherUsedNorCounted) {
  const StatisticsTexts plain = computeStatistics({2, 4}, 1, 2);
  EXPECT_EQ(computeStatistics({kNan, 2, kNan, 4, kNan}, 1, 2), plain);
  volatile double zero = 0.0;
  EXPECT_EQ(computeStatistics({zero / zero, 2, 4}, 1, 2), plain);  // NaN with its sign bit set
}

TEST(Statistics, StartValuesBoundTheData) {
  // A negative value never becomes the maximum, which stays at its start value 0.
  EXPECT_EQ(computeStatistics({-3, -1}, 1, 2)[1], "0,00");
  EXPECT_EQ(computeStatistics({-3, -1}, 1, 2)[0], "-3,00");
  // A value above 1e7 never becomes the minimum, which stays at 1e7 (times the scale).
  EXPECT_EQ(computeStatistics({2e7, 3e7}, 1, 2)[0], "1e+07,00");
  EXPECT_EQ(computeStatistics({2e7, 3e7}, 2, 2)[0], "2e+07,00");
}

TEST(Statistics, MinimumAndMaximumAreScaledAfterTheChoice) {
  // The choice is made among the stored values: with a negative scale the minimum text is the
  // scaled stored minimum, which is larger than the maximum text.
  const StatisticsTexts t = computeStatistics({1, 3}, -1, 2);
  EXPECT_EQ(t[0], "-1,00");
  EXPECT_EQ(t[1], "-3,00");
  EXPECT_EQ(t[2], "-2,00");
}

TEST(Statistics, MeanScalesTheSumBeforeDividing) {
  // 690 px is 14.605 mm, but (2070 * mmPerPixel) / 3 is 14.604999...: the mean of three equal
  // widths prints below their minimum. Any other order of the operations gives 14,61.
  const StatisticsTexts t = computeStatistics({690, 690, 690}, kMmPerPixel, 2);
  EXPECT_EQ(t, (StatisticsTexts{"14,61", "14,61", "14,60", "0,00", "0,00"}));
}

TEST(Statistics, ColumnWithoutUsableValuesGivesEmptyTexts) {
  const StatisticsTexts empty{};
  EXPECT_EQ(computeStatistics({}, 1, 2), empty);
  EXPECT_EQ(computeStatistics({kNan, kNan}, kDegreesPerRadian, 2), empty);
}

}  // namespace
}  // namespace leafmargin
