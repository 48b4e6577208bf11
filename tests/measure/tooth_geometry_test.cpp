// Tooth and sinus measurements on known triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "geometry/perpendicular_foot.h"
#include "measure/tooth_geometry.h"

namespace leafmargin {
namespace {

TEST(ToothGeometry, IsoscelesToothOverAHorizontalBase) {
  std::ostringstream diag;
  // Tip straight above (on screen) the middle of a horizontal base.
  const cv::Point l(100, 300), r(300, 300), tip(200, 150);
  // The carrier of the perpendicular is not quite vertical: the right-angle literal has a
  // cosine of -1e-13, so its lower end truncates one column left, to (199, 200), and the foot
  // 150 pixels down lands 1.5 columns left of the midpoint, truncated to 198.
  EXPECT_EQ(perpendicularFoot(tip, Segment(l, r), 100.0), cv::Point(198, 300));
  const ToothMeasure m = measureTooth(tip, l, r, diag);
  EXPECT_DOUBLE_EQ(m.width, 200.0);
  EXPECT_DOUBLE_EQ(m.height, std::hypot(2.0, 150.0));
  EXPECT_DOUBLE_EQ(m.ratio, std::hypot(2.0, 150.0) / 200.0);
  EXPECT_DOUBLE_EQ(m.tipAngle, 2.0 * std::atan2(100.0, 150.0));
  // The same tooth turned by a right angle: a vertical base, within a pixel.
  const ToothMeasure turned = measureTooth({450, 200}, {300, 100}, {300, 300}, diag);
  EXPECT_DOUBLE_EQ(turned.width, 200.0);
  EXPECT_NEAR(turned.height, 150.0, 1.0);
  EXPECT_DOUBLE_EQ(turned.tipAngle, m.tipAngle);
  EXPECT_EQ(diag.str(), "");
}

TEST(ToothGeometry, SinusMeasuresItsChordDepthAndOpening) {
  std::ostringstream diag;
  const SinusMeasure s = measureSinus({150, 100}, {100, 180}, {250, 180}, diag);
  EXPECT_DOUBLE_EQ(s.width, 150.0);
  // The perpendicular leans as for a tooth: its foot is (148, 180).
  EXPECT_DOUBLE_EQ(s.height, std::hypot(2.0, 80.0));
  EXPECT_DOUBLE_EQ(s.angle, std::atan2(50.0, 80.0) + std::atan2(100.0, 80.0));
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
