// The size of a pixel at a resolution, and a resolution as the messages show it.
#include <gtest/gtest.h>

#include "report/pixel_size.h"

namespace leafmargin {
namespace {

TEST(PixelSize, ScaleFollowsTheResolutionAndMessagesShowOneDecimal) {
  EXPECT_EQ(mmPerPixelAt(kDefaultDpi), kMmPerPixel);  // exactly: the table's default scale
  EXPECT_EQ(mmPerPixelAt(600), 2 * kMmPerPixel);
  EXPECT_DOUBLE_EQ(mmPerPixelAt(2400), kMmPerPixel / 2);
  for (double dpi : {50.0, 299.5, 600.0, 1200.0, 4800.0})
    EXPECT_DOUBLE_EQ(dpiOfPixel(mmPerPixelAt(dpi)), dpi) << dpi;

  const struct {
    double dpi;
    const char* text;
  } cases[] = {{1200, "1200"}, {299.46, "299.5"}, {600.04, "600"}, {72.96, "73"},
               {5, "5"},       {0.5, "0.5"},      {0.04, "0"}};
  for (const auto& c : cases) EXPECT_EQ(formatDpi(c.dpi), c.text) << c.dpi;
}

}  // namespace
}  // namespace leafmargin
