// The symmetry of the teeth against the full-size procedure: two picture-sized masks per
// pass, filled, turned, mirrored and scanned whole. Random teeth of every kind must give the
// same four counts and the same percentage; teeth of known shape give the expected values. The
// windowed masks against OpenCV on full-size pictures: filling against cv::fillPoly, turning
// against cv::warpAffine, pixel for pixel, on random polygons, contents, centres and angles.
// (Which tooth's halves the stage writes, and its trace, are pinned by the golden outputs.)
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <random>
#include <tuple>

#include "measure/symmetry.h"
#include "measure/symmetry_masks.h"
#include "measure/symmetry_oracle.h"
#include "outline_fixture.h"

namespace leafmargin {
namespace {

using testing::densify;
using testing_oracle::LiteralComparison;
using testing_oracle::literalSymmetryIndex;

int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

struct RandomTooth {
  cv::Size size;
  std::vector<cv::Point> outline;
  int tip = 0, before = 0, after = 0;
};

// Teeth of every kind the comparison meets: ordinary and bumpy, cut by the picture border,
// with the base axis-aligned and the tip straight above its midpoint (turns of exactly 90 or
// 180 degrees), tiny, collapsed to one pixel, and with the sinus positions out of order.
RandomTooth randomTooth(std::mt19937& rng, int maxSide = 220, int maxScale = 90) {
  RandomTooth t;
  t.size = cv::Size(uniform(rng, 6, maxSide), uniform(rng, 6, maxSide));
  const int w = t.size.width, h = t.size.height;
  const int kind = uniform(rng, 0, 5);
  const int scale = kind == 3 ? 2 : uniform(rng, 3, maxScale);
  // Anywhere, a little outside the picture included, so that halves and feet cross borders.
  const cv::Point centre(uniform(rng, -scale / 2, w + scale / 2), uniform(rng, -scale / 2, h + scale / 2));
  auto jitter = [&](int r) { return cv::Point(uniform(rng, -r, r), uniform(rng, -r, r)); };
  cv::Point left = centre + cv::Point(-scale, uniform(rng, 0, scale)) + jitter(scale / 3);
  cv::Point right = centre + cv::Point(scale, uniform(rng, 0, scale)) + jitter(scale / 3);
  cv::Point tip = centre + cv::Point(0, -scale) + jitter(scale);
  if (kind == 2) {  // exact axis: base horizontal or vertical, tip over the midpoint
    const int half = uniform(rng, 1, scale);
    const bool horizontal = uniform(rng, 0, 1) == 0;
    const int along = uniform(rng, -2 * scale, 2 * scale);
    left = centre + (horizontal ? cv::Point(-half, 0) : cv::Point(0, -half));
    right = centre + (horizontal ? cv::Point(half, 0) : cv::Point(0, half));
    tip = centre + (horizontal ? cv::Point(0, along) : cv::Point(along, 0));
  }
  std::vector<cv::Point> vertices{left};
  for (int k = uniform(rng, 0, kind == 1 ? 4 : 0); k > 0; --k) vertices.push_back(left + jitter(scale));
  vertices.push_back(tip);
  const size_t tipVertex = vertices.size() - 1;
  for (int k = uniform(rng, 0, kind == 1 ? 4 : 0); k > 0; --k) vertices.push_back(right + jitter(scale));
  vertices.push_back(right);
  if (kind == 4) vertices.assign(vertices.size(), centre);  // one pixel: empty or tiny halves

  const testing::DenseOutline dense = densify(vertices);
  t.outline = dense.points;
  t.before = dense.vertexAt.front();
  t.tip = dense.vertexAt[tipVertex];
  t.after = dense.vertexAt.back();
  if (kind == 5) {  // sinus positions on the wrong side of the tip: a half is only its foot
    if (uniform(rng, 0, 1) == 0) t.before = uniform(rng, t.tip, t.after);
    else t.after = uniform(rng, t.before, t.tip);
  }
  return t;
}

bool sameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

TEST(SymmetryIndex, EqualsTheFullSizeProcedureOnRandomTeeth) {
  std::mt19937 rng(2024);
  int nanCount = 0, footOutside = 0, partial = 0;
  for (int trial = 0; trial < 2600; ++trial) {
    // A few larger pictures and teeth among the many small ones.
    const RandomTooth t = trial % 26 == 0 ? randomTooth(rng, 1500, 400) : randomTooth(rng);
    for (int pass = 1; pass <= 2; ++pass) {
      const LiteralComparison expected =
          literalSymmetryIndex(t.outline, t.tip, t.before, t.after, pass, t.size);
      const HalfComparison actual = symmetryIndex(t.outline, t.tip, t.before, t.after, pass, t.size);
      ASSERT_EQ(std::tie(actual.nbGauche, actual.nbDroite, actual.enPlusAGauche, actual.enPlusADroite),
                std::tie(expected.nbGauche, expected.nbDroite, expected.enPlusAGauche, expected.enPlusADroite))
          << "trial " << trial << " pass " << pass;
      ASSERT_TRUE(sameValue(actual.symmetry, expected.symmetry))
          << "trial " << trial << " pass " << pass << ": " << actual.symmetry << " vs " << expected.symmetry;
      nanCount += std::isnan(expected.symmetry);
      footOutside += !cv::Rect(cv::Point(0, 0), t.size).contains(expected.foot);
      partial += expected.nbGauche > 0 && expected.nbDroite > 0 && expected.symmetry < 100.0;
    }
  }
  // The draw really reached the rare cases.
  EXPECT_GT(nanCount, 20);
  EXPECT_GT(footOutside, 100);
  EXPECT_GT(partial, 1000);
}

// A tooth from before through tip to after, densified; the position of its tip.
std::vector<cv::Point> toothOutline(cv::Point before, cv::Point tip, cv::Point after, int* tipAt) {
  const testing::DenseOutline d = densify({before, tip, after});
  *tipAt = d.vertexAt[1];
  return d.points;
}

// Teeth point down from the leaf; the halves turn about the tip, so the picture needs room of
// one tooth height below it.
TEST(SymmetryIndex, IsoscelesToothIsSymmetricUpToItsEdgePixelsAndASkewedOneIsNot) {
  const cv::Size size(400, 500);
  int tip = 0;
  const std::vector<cv::Point> outline = toothOutline({100, 100}, {160, 280}, {220, 100}, &tip);
  const int last = static_cast<int>(outline.size()) - 1;
  // Pass 1 turns by 180 degrees about the tip: the halves are exact mirror images.
  const HalfComparison centre = symmetryIndex(outline, tip, 0, last, 1, size);
  EXPECT_GE(centre.nbGauche, 60 * 180 / 2);  // the whole triangle, edges included
  EXPECT_EQ(centre.nbGauche, centre.nbDroite);
  EXPECT_EQ(centre.symmetry, 100.0);
  // Pass 2: the integer perpendicular leans by one column, so the axis turns by a fraction
  // of a degree and the flanks come out interpolated; under one mismatch per flank row.
  const HalfComparison perpendicular = symmetryIndex(outline, tip, 0, last, 2, size);
  EXPECT_GE(perpendicular.nbGauche, 60 * 180 / 2 - 300);
  EXPECT_LE(perpendicular.enPlusAGauche + perpendicular.enPlusADroite, 180);
  EXPECT_GT(perpendicular.symmetry, 99.0);
  EXPECT_LT(perpendicular.symmetry, 100.0);

  const std::vector<cv::Point> skewed = toothOutline({100, 100}, {205, 280}, {220, 100}, &tip);
  const HalfComparison lopsided =
      symmetryIndex(skewed, tip, 0, static_cast<int>(skewed.size()) - 1, 1, size);
  EXPECT_GE(lopsided.nbGauche + lopsided.nbDroite, 120 * 180 / 2 * 9 / 10);
  EXPECT_LT(lopsided.symmetry, centre.symmetry - 10.0);
  EXPECT_GT(lopsided.symmetry, 0.0);

  // Positions outside the outline, any one of the three, give empty halves.
  for (const cv::Vec3i& t : {cv::Vec3i(tip, 0, 5000), cv::Vec3i(-1, 0, 3), cv::Vec3i(tip, -1, last),
                             cv::Vec3i(last + 1, 0, last)})
    EXPECT_TRUE(std::isnan(symmetryIndex(outline, t[0], t[1], t[2], 1, size).symmetry)) << t;
}

cv::Mat fullSizeFill(const std::vector<cv::Point>& polygon, cv::Size size) {
  cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
  cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255, 255, 255, 0),
               cv::LINE_8, 0, cv::Point(0, 0));
  return mask;
}

bool samePixels(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::countNonZero(a != b) == 0;
}

// Polygons of every kind the halves produce: small and large, inside, across the borders,
// with one far vertex (a foot off the picture), degenerate (one point, all points equal).
std::vector<cv::Point> randomPolygon(std::mt19937& rng, cv::Size size) {
  const int kind = uniform(rng, 0, 4);
  const int n = kind == 3 ? 1 : uniform(rng, 2, 12);
  const int cx = uniform(rng, -10, size.width + 10), cy = uniform(rng, -10, size.height + 10);
  const int spread = kind == 0 ? 3 : uniform(rng, 5, 120);
  std::vector<cv::Point> polygon;
  for (int i = 0; i < n; ++i)
    polygon.emplace_back(cx + uniform(rng, -spread, spread), cy + uniform(rng, -spread, spread));
  if (kind == 2) polygon.emplace_back(uniform(rng, -3000, 3000), uniform(rng, -3000, 3000));
  if (kind == 4) polygon.assign(n, polygon.front());
  return polygon;
}

TEST(SymmetryMasks, FillingAWindowGivesTheFullSizeFill) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 3000; ++trial) {
    const cv::Size size(uniform(rng, 1, 160), uniform(rng, 1, 160));
    const std::vector<cv::Point> polygon = randomPolygon(rng, size);
    ASSERT_TRUE(samePixels(toFullSize(fillPolygon(polygon, size), size), fullSizeFill(polygon, size)))
        << "trial " << trial << " size " << size << " polygon " << cv::Mat(polygon).t();
  }
  // A foot millions of pixels away, and columns near the int limits on either side (OpenCV
  // walks every row between the extreme vertices, so rows stay within a few millions).
  const cv::Size size(90, 70);
  for (const std::vector<cv::Point>& polygon : std::vector<std::vector<cv::Point>>{
           {{10, 10}, {40, 60}, {-2000000, 35}},
           {{80, 5}, {85, 65}, {2000000, -1000}},
           {{20, 20}, {60, 30}, {2000000000, 2000000}},
           {{5, 5}, {50, 8}, {-2000000000, -2000000}},
           {{30, 40}, {2147483647, 10}, {-2147483647, 60}}})
    EXPECT_TRUE(samePixels(toFullSize(fillPolygon(polygon, size), size), fullSizeFill(polygon, size)))
        << cv::Mat(polygon).t();
  EXPECT_TRUE(fillPolygon({{-50, -50}, {-40, -45}, {-45, -30}}, size).empty());
}

// A windowed mask with arbitrary grey content (not only 0 and 255), so that every bilinear
// weight shows in the result.
WindowedMask randomContent(std::mt19937& rng, cv::Size size) {
  const int w = uniform(rng, 1, std::min(size.width, 60));
  const int h = uniform(rng, 1, std::min(size.height, 60));
  WindowedMask mask{cv::Mat(h, w, CV_8UC1),
                    cv::Point(uniform(rng, 0, size.width - w), uniform(rng, 0, size.height - h))};
  const int style = uniform(rng, 0, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      mask.pixels.at<uchar>(y, x) = static_cast<uchar>(
          style == 0 ? uniform(rng, 0, 255) : (uniform(rng, 0, 3) == 0 ? 0 : 255));
  return mask;
}

double randomAngle(std::mt19937& rng) {
  switch (uniform(rng, 0, 3)) {
    case 0:  // a multiple of 90 degrees, exactly or off by a few ulps of the turn
      return 90.0 * uniform(rng, -4, 4) + std::uniform_real_distribution<double>(-1e-9, 1e-9)(rng);
    case 1:
      return 90.0 * uniform(rng, -4, 4) + std::uniform_real_distribution<double>(-0.05, 0.05)(rng);
    default:
      return std::uniform_real_distribution<double>(-360.0, 360.0)(rng);
  }
}

TEST(SymmetryMasks, TurningAWindowGivesTheFullSizeWarp) {
  std::mt19937 rng(23);
  for (int trial = 0; trial < 2506; ++trial) {
    // Small pictures, and a few of several thousand pixels, where large coordinates bring the
    // fixed-point map near its limits.
    const cv::Size size = trial < 6 ? cv::Size(5000, 3000)
                                    : cv::Size(uniform(rng, 1, 200), uniform(rng, 1, 200));
    const WindowedMask mask = randomContent(rng, size);
    const cv::Point centre(uniform(rng, -20, size.width + 20), uniform(rng, -20, size.height + 20));
    const double angle = randomAngle(rng);
    const cv::Mat expected = testing_oracle::rotateImage(centre, toFullSize(mask, size), angle);
    ASSERT_TRUE(samePixels(toFullSize(rotateMask(mask, centre, angle, size), size), expected))
        << "trial " << trial << " size " << size << " centre " << centre << " angle " << angle;
  }
  EXPECT_TRUE(rotateMask(WindowedMask{}, cv::Point(3, 3), 45.0, cv::Size(30, 20)).empty());
  EXPECT_EQ(cv::countNonZero(toFullSize(WindowedMask{}, cv::Size(30, 20))), 0);
}

}  // namespace
}  // namespace leafmargin
