// The sub-pixel outline of a leaf's mask: it follows the mask's edge between the last pixel in
// and the first out (never farther from the true edge than the mask's own half pixel), encloses
// the mask's area, runs with the leaf on the left, and flags the points where the leaf runs off
// the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leaves/smooth_outline.h"

namespace leafmargin {
namespace {

// A disc of radius r (pixels) drawn with 1/256 pixel precision into a mask; its area in pixels.
cv::Mat disc(cv::Size size, cv::Point2d centre, double r) {
  cv::Mat fine = cv::Mat::zeros(size * 4, CV_8UC1);
  cv::circle(fine, cv::Point(std::lround(centre.x * 4 * 256 + 1.5 * 256), std::lround(centre.y * 4 * 256 + 1.5 * 256)),
             static_cast<int>(std::lround(r * 4 * 256)), cv::Scalar(255), cv::FILLED, cv::LINE_8, 8);
  cv::Mat coarse;
  cv::resize(fine, coarse, size, 0, 0, cv::INTER_AREA);
  return coarse > 127;
}

TEST(SmoothOutline, DiscsKeepTheirRadiusAndAreaWithoutTheStaircase) {
  for (double r : {12.3, 40.0, 97.6}) {
    const cv::Point2d centre(120.4, 117.7);
    const cv::Mat mask = disc({240, 240}, centre, r);
    const std::vector<cv::Point2d> outline = halfLevelOutline(mask, 0.45);
    ASSERT_GT(outline.size(), 20u);
    double worst = 0.0, sum = 0.0;
    for (const cv::Point2d& p : outline) {
      const double d = cv::norm(p - centre) - r;
      worst = std::max(worst, std::abs(d));
      sum += d;
    }
    // The mask knows the edge to half a pixel; a chain through the pixel centres would be off by
    // a whole pixel in places and half a pixel on average.
    EXPECT_LT(worst, 0.65) << r;
    EXPECT_NEAR(sum / outline.size(), 0.0, 0.15) << r;
    const double area = cv::countNonZero(mask);
    EXPECT_NEAR(-0.5 * twiceSignedArea(outline), area, 0.01 * area) << r;
    EXPECT_LT(twiceSignedArea(outline), 0.0);  // the leaf on the left on the y-down screen
  }
  EXPECT_TRUE(halfLevelOutline(cv::Mat::zeros(20, 20, CV_8UC1), 0.45).empty());
}

// A leaf whose box reaches the picture's edge runs off the picture along that edge only; a box
// edge inside the picture is no border. Coordinates come back in the scan's pixels.
TEST(SmoothOutline, PointsOnThePictureBorderAreFlagged) {
  LeafMask leaf;
  leaf.box = cv::Rect(0, 50, 100, 80);
  leaf.scale = 1.0;
  leaf.mask = cv::Mat::zeros(80, 100, CV_8UC1);
  cv::rectangle(leaf.mask, {0, 10}, {60, 69}, cv::Scalar(255), cv::FILLED);
  const SmoothOutline outline = smoothOutline(leaf, {400, 300});
  ASSERT_EQ(outline.onBorder.size(), outline.points.size());
  int flagged = 0;
  for (std::size_t k = 0; k < outline.size(); ++k) {
    const cv::Point2d& p = outline.points[k];
    EXPECT_GE(p.y, 59.0);
    EXPECT_LE(p.y, 120.0);
    if (outline.onBorder[k]) {
      ++flagged;
      EXPECT_LT(p.x, 0.0);
    } else {
      EXPECT_GT(p.x, -0.4);
    }
  }
  EXPECT_GT(flagged, 40);
  leaf.box.x = 10;  // the same leaf away from the edge: nothing is on the border
  const SmoothOutline inside = smoothOutline(leaf, {400, 300});
  EXPECT_EQ(std::count(inside.onBorder.begin(), inside.onBorder.end(), true), 0);
  // At half the scale (a finer scan segmented coarser) the points are twice as far apart.
  leaf.scale = 0.5;
  const SmoothOutline half = smoothOutline(leaf, {400, 300});
  double right = 0.0;
  for (const cv::Point2d& p : half.points) right = std::max(right, p.x);
  EXPECT_NEAR(right, 10 + 2 * 61.0 - 0.5, 1.0);
}

}  // namespace
}  // namespace leafmargin
