// The windowed half masks against OpenCV on full-size pictures: filling against cv::fillPoly,
// turning against cv::warpAffine through rotateImage, pixel for pixel, on random polygons,
// contents, centres and angles (mirroring is checked with the whole symmetry index).
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "measure/symmetry_masks.h"
#include "measure/symmetry_oracle.h"

namespace leafmargin {
namespace {

int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
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
