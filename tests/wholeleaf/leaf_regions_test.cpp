// Finding the leaves of a scan: the ground is the class of the border, thin lines do not join
// leaves, and a leaf that touches the border is left out.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "wholeleaf/leaf_regions.h"
#include "wholeleaf/working_leaf.h"

namespace leafmargin {
namespace {

// Two dark blobs on white paper printed with a grid whose lines touch both and the border.
cv::Mat paperWithGrid() {
  cv::Mat picture(600, 900, CV_8UC3, cv::Scalar(235, 235, 245));
  for (int x = 25; x < picture.cols; x += 50) cv::line(picture, {x, 0}, {x, picture.rows - 1}, cv::Scalar(90, 90, 200), 2);
  for (int y = 25; y < picture.rows; y += 50) cv::line(picture, {0, y}, {picture.cols - 1, y}, cv::Scalar(90, 90, 200), 2);
  cv::ellipse(picture, {600, 160}, {180, 90}, 10, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);
  cv::ellipse(picture, {250, 400}, {170, 120}, 0, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);
  cv::ellipse(picture, {880, 500}, {120, 60}, 0, 0, 360, cv::Scalar(40, 110, 50), cv::FILLED);  // on the border
  return picture;
}

TEST(LeafRegions, LeavesOnGridPaperAreFoundInReadingOrder) {
  const cv::Mat picture = paperWithGrid();
  cv::Mat gray;
  cv::cvtColor(picture, gray, cv::COLOR_BGR2GRAY);
  const LeafClass leafClass = chooseLeafClass(gray, std::nullopt);
  EXPECT_FALSE(leafClass.leafIsBright);
  const LeafRegions regions = findLeafRegions(leafClassMask(gray, leafClass), 10000.0, 4);
  ASSERT_EQ(regions.leaves.size(), 2u);
  EXPECT_EQ(regions.onBorder, 1);
  // Top leaf first; at working resolution each leaf is its ellipse, without the lines on it.
  EXPECT_NEAR(regions.leaves[0].box.y, 65, 5);
  const WorkingLeaf leaf = bringToWorkingResolution(picture, regions.leaves[1], leafClass, 1.0);
  EXPECT_NEAR(cv::countNonZero(leaf.mask), CV_PI * 170.5 * 120.5, 250);  // as cv::ellipse fills it
  EXPECT_NEAR(cv::boundingRect(leaf.mask).width, 341, 2);
}

TEST(LeafRegions, GivenPolarityOverridesTheBorder) {
  cv::Mat gray(200, 200, CV_8UC1, cv::Scalar(30));
  cv::circle(gray, {100, 100}, 60, cv::Scalar(200), cv::FILLED);
  EXPECT_TRUE(chooseLeafClass(gray, std::nullopt).leafIsBright);
  const LeafClass forced = chooseLeafClass(gray, false);
  EXPECT_FALSE(forced.leafIsBright);
  EXPECT_EQ(leafClassMask(gray, forced).at<uchar>(0, 0), 255);
}

}  // namespace
}  // namespace leafmargin
