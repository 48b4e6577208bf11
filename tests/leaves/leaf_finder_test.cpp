// Finding the leaves on a scan: the ground is the class of the border, lines of a printed grid
// never join a leaf, and what is not a leaf (too small, thin, straight-edged, without a leaf's
// colour) is left out and counted; leaves touching each other are told apart at their neck.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "leaves/leaf_finder.h"

namespace leafmargin {
namespace {

constexpr double kPerMm = 6.0;  // the pictures below are drawn at about 150 dpi

const cv::Scalar kPaper(235, 235, 245), kGrid(120, 110, 220), kLeaf(40, 110, 50);

cv::Mat graphPaper(cv::Size size) {
  cv::Mat picture(size, CV_8UC3, kPaper);
  for (int x = 3; x < size.width; x += 6) cv::line(picture, {x, 0}, {x, size.height - 1}, kGrid, 1);
  for (int y = 3; y < size.height; y += 6) cv::line(picture, {0, y}, {size.width - 1, y}, kGrid, 1);
  // Bold lines every 10 mm, 3 pixels (0.5 mm) wide.
  for (int x = 32; x < size.width; x += 60) picture.colRange(x, x + 3).setTo(kGrid);
  for (int y = 32; y < size.height; y += 60) picture.rowRange(y, y + 3).setTo(kGrid);
  return picture;
}

// A leaf-like shape: an ellipse with a pointed end.
void drawLeaf(cv::Mat& picture, cv::Point centre, cv::Size axes, double angle, const cv::Scalar& colour) {
  std::vector<cv::Point> shape;
  cv::ellipse2Poly(centre, axes, static_cast<int>(angle), 0, 360, 5, shape);
  const double a = angle * CV_PI / 180;
  shape.push_back(centre + cv::Point(static_cast<int>(1.4 * axes.width * std::cos(a)),
                                     static_cast<int>(1.4 * axes.width * std::sin(a))));
  std::vector<cv::Point> hull;
  cv::convexHull(shape, hull);
  cv::fillConvexPoly(picture, hull, colour, cv::LINE_AA);
}

TEST(LeafFinder, LeavesOnGraphPaperInReadingOrderAndEverythingElseCounted) {
  cv::Mat picture = graphPaper({900, 700});
  drawLeaf(picture, {600, 150}, {120, 60}, 10, kLeaf);
  drawLeaf(picture, {250, 420}, {110, 80}, 80, kLeaf);
  drawLeaf(picture, {870, 560}, {90, 50}, 0, kLeaf);                                    // cut by the border
  cv::rectangle(picture, {60, 620}, {700, 690}, cv::Scalar(60, 140, 200), cv::FILLED);  // a ruler
  cv::rectangle(picture, {420, 300}, {520, 360}, cv::Scalar(90, 90, 90), cv::FILLED);   // grey card
  cv::circle(picture, {420, 520}, 40, cv::Scalar(70, 70, 70), cv::FILLED);             // a grey blot
  cv::line(picture, {10, 0}, {10, 699}, cv::Scalar(60, 60, 140), 8);                    // the frame's edge
  for (int k = 0; k < 5; ++k) cv::circle(picture, {100 + 40 * k, 80}, 4, cv::Scalar(30, 30, 30), cv::FILLED);

  const FoundLeaves found = findLeaves(picture, kPerMm, std::nullopt);
  EXPECT_FALSE(found.leafClass.leafIsBright);
  ASSERT_EQ(found.leaves.size(), 3u);
  EXPECT_LT(found.leaves[0].box.y, 100);                // the top leaf first
  EXPECT_LT(found.leaves[1].box.x, found.leaves[2].box.x);  // then left to right
  EXPECT_FALSE(found.leaves[0].onBorder);
  EXPECT_TRUE(found.leaves[2].onBorder);
  // The grid neither joins nor widens a leaf: its box is the shape's own, to a pixel or two.
  cv::Mat alone = cv::Mat::zeros(picture.size(), CV_8UC3);
  drawLeaf(alone, {600, 150}, {120, 60}, 10, kLeaf);
  cv::Mat channels[3];
  cv::split(alone, channels);
  const cv::Rect drawn = cv::boundingRect(channels[1]);
  EXPECT_LE((found.leaves[0].box & drawn).area(), drawn.area());
  EXPECT_GE((found.leaves[0].box & drawn).area(), 0.95 * drawn.area());
  EXPECT_LE(found.leaves[0].box.area(), 1.08 * drawn.area());
  EXPECT_EQ(found.leftOut.straightEdged, 2);  // the ruler and the card
  EXPECT_EQ(found.leftOut.thin, 1);           // the frame's edge
  EXPECT_EQ(found.leftOut.notLeafColour, 1);  // the blot
  EXPECT_EQ(found.leftOut.tooSmall, 5);
  EXPECT_EQ(found.notLeaves.size(), 4u);
  EXPECT_EQ(describeLeftOut(found.leftOut),
            "4 regions that are not leaves were left out: 2 straight-edged (a ruler, label or "
            "chart?), 1 too thin (a line or an edge?), 1 without a leaf's colour; and 5 specks "
            "under 1 cm²");
}

TEST(LeafFinder, DescriptionsOfWhatWasLeftOut) {
  EXPECT_EQ(describeLeftOut({}), "");
  LeftOut specks;
  specks.tooSmall = 1;
  EXPECT_EQ(describeLeftOut(specks), "1 speck under 1 cm² was left out");
  LeftOut one;
  one.straightEdged = 1;
  EXPECT_EQ(describeLeftOut(one),
            "1 region that is not a leaf was left out: 1 straight-edged (a ruler, label or chart?)");
}

// On a dark ground the leaves are the bright class; two leaves lying tip over tip are told apart
// where they meet, a lobed leaf is not cut into its lobes.
TEST(LeafFinder, TouchingLeavesAreToldApartLobesAreNot) {
  cv::Mat picture(600, 1000, CV_8UC3, cv::Scalar(25, 25, 25));
  drawLeaf(picture, {250, 300}, {180, 110}, 0, cv::Scalar(110, 210, 140));
  drawLeaf(picture, {700, 300}, {180, 110}, 180, cv::Scalar(110, 210, 140));
  cv::Mat lobed(600, 600, CV_8UC3, cv::Scalar(25, 25, 25));
  for (int k = 0; k < 3; ++k) drawLeaf(lobed, {300, 300}, {200, 90}, 90 + 60 * (k - 1), cv::Scalar(110, 210, 140));
  const FoundLeaves two = findLeaves(picture, kPerMm, std::nullopt);
  EXPECT_TRUE(two.leafClass.leafIsBright);
  EXPECT_EQ(two.leaves.size(), 2u);
  EXPECT_EQ(two.separated, 2);
  const FoundLeaves one = findLeaves(lobed, kPerMm, std::nullopt);
  EXPECT_EQ(one.leaves.size(), 1u);
  EXPECT_EQ(one.separated, 0);
}

// The class of the leaves follows the border unless the user named it.
TEST(LeafFinder, GivenPolarityOverridesTheBorder) {
  cv::Mat gray(200, 200, CV_8UC1, cv::Scalar(30));
  cv::circle(gray, {100, 100}, 60, cv::Scalar(200), cv::FILLED);
  EXPECT_TRUE(chooseLeafClass(gray, std::nullopt).leafIsBright);
  const LeafClass forced = chooseLeafClass(gray, false);
  EXPECT_FALSE(forced.leafIsBright);
  EXPECT_EQ(leafClassMask(gray, forced).at<uchar>(0, 0), 255);
}

TEST(LeafFinder, ShapeAndColourChecks) {
  cv::Mat card = cv::Mat::zeros(100, 200, CV_8UC1);
  cv::rectangle(card, {20, 20}, {180, 80}, cv::Scalar(255), cv::FILLED);
  EXPECT_TRUE(looksStraightEdged(card));
  cv::Mat oval = cv::Mat::zeros(100, 200, CV_8UC1);
  cv::ellipse(oval, {100, 50}, {80, 30}, 0, 0, 360, cv::Scalar(255), cv::FILLED);
  EXPECT_FALSE(looksStraightEdged(oval));
  const cv::Mat green(100, 200, CV_8UC3, kLeaf), grey(100, 200, CV_8UC3, cv::Scalar(120, 120, 120));
  EXPECT_GT(meanChroma(green, oval), 25.0);
  EXPECT_LT(meanChroma(grey, oval), 1.0);
}

}  // namespace
}  // namespace leafmargin
