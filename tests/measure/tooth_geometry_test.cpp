// Tooth and sinus measurements on known triangles, and degenerate ones.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "measure/tooth_geometry.h"

namespace leafmargin {
namespace {

TEST(ToothGeometry, IsoscelesToothAndSinus) {
  std::ostringstream diag;
  // Tip straight above (on screen) the middle of a horizontal base; the perpendicular's foot
  // lands at (198, 300), two columns left of the midpoint (its carrier leans by one column).
  const ToothMeasure m = measureTooth({200, 150}, {100, 300}, {300, 300}, diag);
  EXPECT_DOUBLE_EQ(m.width, 200.0);
  EXPECT_DOUBLE_EQ(m.height, std::hypot(2.0, 150.0));
  EXPECT_DOUBLE_EQ(m.ratio, std::hypot(2.0, 150.0) / 200.0);
  EXPECT_DOUBLE_EQ(m.tipAngle, 2.0 * std::atan2(100.0, 150.0));
  // The same tooth turned by a right angle: a vertical base, within a pixel.
  const ToothMeasure turned = measureTooth({450, 200}, {300, 100}, {300, 300}, diag);
  EXPECT_DOUBLE_EQ(turned.width, 200.0);
  EXPECT_NEAR(turned.height, 150.0, 1.0);
  EXPECT_DOUBLE_EQ(turned.tipAngle, m.tipAngle);

  const SinusMeasure s = measureSinus({150, 100}, {100, 180}, {250, 180}, diag);
  EXPECT_DOUBLE_EQ(s.width, 150.0);
  EXPECT_DOUBLE_EQ(s.height, std::hypot(2.0, 80.0));  // foot (148, 180)
  EXPECT_DOUBLE_EQ(s.angle, std::atan2(50.0, 80.0) + std::atan2(100.0, 80.0));
  EXPECT_EQ(diag.str(), "");
}

TEST(ToothGeometry, DegenerateTeethPassTheirValuesThrough) {
  std::ostringstream diag;
  // Both sinuses on one point: an empty base and an infinite ratio.
  const ToothMeasure flat = measureTooth({10, 10}, {50, 50}, {50, 50}, diag);
  EXPECT_EQ(flat.width, 0.0);
  EXPECT_TRUE(std::isinf(flat.ratio));
  // A sinus on the tip itself: the angle is undefined and says so on the trace.
  const ToothMeasure onTip = measureTooth({10, 10}, {10, 10}, {50, 50}, diag);
  EXPECT_TRUE(std::isnan(onTip.tipAngle));
  EXPECT_EQ(diag.str().rfind("erreur angle 3 points ! center : [10, 10] A : [10, 10]", 0), 0u);
}

}  // namespace
}  // namespace leafmargin
