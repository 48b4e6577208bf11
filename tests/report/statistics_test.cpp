// Column statistics: population standard deviation, NaN skipped everywhere, the start values
// of the minimum and maximum, the order of scaling and dividing, and the texts of a column with
// nothing to summarise.
#include <gtest/gtest.h>

#include <limits>

#include "report/results_csv.h"
#include "report/statistics.h"

namespace leafmargin {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(Statistics, WorkedTable) {
  volatile double zero = 0.0;
  const double negativeNan = zero / zero;  // NaN with its sign bit set, as an empty symmetry
  struct Case { std::vector<double> values; double scale; StatisticsTexts expected; };
  const Case cases[] = {
      {{1, 2, 3, 4}, 1, {"1,00", "4,00", "2,50", "1,50", "1,12"}},  // divisor n, not n - 1
      {{kNan, 2, negativeNan, 4, kNan}, 1, {"2,00", "4,00", "3,00", "1,00", "1,00"}},
      {{7}, 1, {"7,00", "7,00", "7,00", "0,00", "0,00"}},
      {{5, 5, 8}, 100, {"500,00", "800,00", "600,00", "200,00", "141,42"}},
      {{236, 310.5, 287}, kMmPerPixel, {"5,00", "6,57", "5,88", "0,89", "0,66"}},
      {{0.8, kNan, 1.1}, kDegreesPerRadian, {"45,84", "63,03", "54,43", "8,59", "8,59"}},
      // The maximum starts at 0 and the minimum at 1e7, both among the stored values.
      {{-3, -1}, 1, {"-3,00", "0,00", "-2,00", "1,00", "1,00"}},
      {{2e7, 3e7}, 2, {"2e+07,00", "6e+07,00", "5e+07,00", "1e+07,00", "1e+07,00"}},
      // The choice is made before scaling: with a negative scale the minimum text is larger.
      {{1, 3}, -1, {"-1,00", "-3,00", "-2,00", "1,00", "1,00"}},
      // (2070 * mmPerPixel) / 3 is 14.604999...: the mean prints below the minimum; any other
      // order of the operations gives 14,61.
      {{690, 690, 690}, kMmPerPixel, {"14,61", "14,61", "14,60", "0,00", "0,00"}},
      {{}, 1, {}},
      {{kNan, kNan}, kDegreesPerRadian, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(computeStatistics(c.values, c.scale, 2), c.expected) << c.values.size() << " " << c.scale;
}

}  // namespace
}  // namespace leafmargin
