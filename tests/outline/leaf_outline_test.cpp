// Choice of the leaf contour, border trimming and outline sampling, on hand-made contours and
// on the masks of generated leaves (no GrabCut needed: the Otsu mask of a clean leaf is exact).
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <set>
#include <sstream>

#include "geometry/angles.h"
#include "geometry/numeric.h"
#include "leafgen/leaf_generator.h"
#include "outline/leaf_outline.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {
namespace {

std::vector<cv::Point> rectangle(int x, int y, int w, int h) {
  return {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}};
}

TEST(LeafContourChoice, AreaMustExceedTheLimitAndTheLaterQualifyingContourWins) {
  const cv::Mat black = cv::Mat::zeros(1000, 1000, CV_8UC1);
  const std::vector<cv::Vec4i> hierarchy(3, cv::Vec4i(-1, -1, -1, -1));
  cv::Mat none;
  // 400 x 250 is exactly 100000 square pixels: not enough.
  EXPECT_EQ(chooseLeafContour({rectangle(10, 10, 400, 250)}, {hierarchy[0]}, black, none), -1);
  EXPECT_EQ(chooseLeafContour({rectangle(10, 10, 401, 250)}, {hierarchy[0]}, black, none), 0);
  const std::vector<std::vector<cv::Point>> three{
      rectangle(10, 10, 500, 300), rectangle(600, 10, 50, 50), rectangle(20, 400, 500, 300)};
  EXPECT_EQ(chooseLeafContour(three, hierarchy, black, none), 2);
  // The colours come from one generator seeded with 12345, drawn in every case.
  cv::Mat drawing = cv::Mat::zeros(1000, 1000, CV_8UC3);
  chooseLeafContour(three, hierarchy, black, drawing);
  cv::RNG rng(12345);
  const int r = rng.uniform(0, 255), g = rng.uniform(0, 255), b = rng.uniform(0, 255);
  EXPECT_EQ(drawing.at<cv::Vec3b>(10, 100), cv::Vec3b(b, g, r));
}

// Paints white exactly `white` of the 360 points of the enclosure test around the contour.
cv::Mat circleWithWhiteSamples(const std::vector<cv::Point>& contour, int white) {
  cv::Mat binary = cv::Mat::zeros(800, 800, CV_8UC1);
  cv::Point c(0, 0);
  for (const cv::Point& p : contour) c += p;
  c = cv::Point(c.x / static_cast<int>(contour.size()), c.y / static_cast<int>(contour.size()));
  double radius = 0;
  for (const cv::Point& p : contour) radius = std::max(radius, pointDistance(c, p));
  radius += 3.0;
  std::set<std::pair<int, int>> painted;
  for (int d = 0; d < 360 && static_cast<int>(painted.size()) < white; ++d) {
    const double a = degToRad(d);
    const int x = truncToInt(std::cos(a) * radius + c.x), y = truncToInt(std::sin(a) * radius + c.y);
    painted.insert({x, y});
    binary.at<uchar>(y, x) = 255;
  }
  EXPECT_EQ(static_cast<int>(painted.size()), white);  // the samples are distinct pixels
  return binary;
}

TEST(LeafContourChoice, EnclosedMeansMoreThan300WhiteSamples) {
  const std::vector<cv::Point> square = rectangle(250, 250, 300, 300);
  EXPECT_FALSE(isEnclosedContour(square, circleWithWhiteSamples(square, 300)));
  EXPECT_TRUE(isEnclosedContour(square, circleWithWhiteSamples(square, 301)));
  // An enclosed large region is not the leaf.
  const std::vector<cv::Vec4i> hierarchy{cv::Vec4i(-1, -1, -1, -1)};
  cv::Mat none;
  EXPECT_EQ(chooseLeafContour({square}, hierarchy, circleWithWhiteSamples(square, 301), none), -1);
  // Samples on row 0 or column 0, or outside the picture, never count.
  const cv::Mat white(800, 800, CV_8UC1, cv::Scalar(255));
  EXPECT_FALSE(isEnclosedContour(rectangle(0, 0, 400, 400), white));
  EXPECT_TRUE(isEnclosedContour(square, white));
}

TEST(BorderTrim, DropsTheFirstPointAndTheTenPixelBand) {
  const cv::Size size(100, 80);
  const std::vector<cv::Point> contour{{50, 40}, {50, 40}, {10, 40}, {11, 40}, {89, 40},
                                       {90, 40}, {50, 10}, {50, 11}, {50, 69}, {50, 70}};
  const std::vector<cv::Point> expected{{50, 40}, {11, 40}, {89, 40}, {50, 11}, {50, 69}};
  EXPECT_EQ(trimBorder(contour, size), expected);
  EXPECT_TRUE(trimBorder({{50, 40}}, size).empty());
}

TEST(OutlineStage, NoLeafAndSinglePointOutlinesEndWithTheDensificationMessage) {
  const cv::Mat source = cv::Mat::zeros(400, 600, CV_8UC3);
  const cv::Mat black = cv::Mat::zeros(400, 600, CV_8UC1);
  const std::vector<cv::Vec4i> hierarchy{cv::Vec4i(-1, -1, -1, -1)};
  // Only (300, 200) survives the trim: one point is nothing to densify.
  const std::vector<std::vector<cv::Point>> onePoint{
      {{5, 5}, {300, 200}, {595, 5}, {595, 395}, {5, 395}}};
  for (const auto& contours : {std::vector<std::vector<cv::Point>>{}, onePoint}) {
    std::ostringstream trace;
    const RunOutput out{trace, "", false};
    const LeafOutline outline = extractLeafOutline(
        contours, contours.empty() ? std::vector<cv::Vec4i>{} : hierarchy, source, black, black, out);
    ASSERT_TRUE(outline.failure.has_value());
    EXPECT_EQ(outline.failure->message, "Erreur à getAllPointsOfContour : contour.size()=0");
    EXPECT_EQ(trace.str(), "ee\nff\n");
  }
}

TEST(OutlineStage, GeneratedLeafGivesAnOpenDenseMarginThroughEveryDrawnTip) {
  leafgen::LeafSpec design;
  design.teeth = 5;
  const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
  const cv::Mat mask = otsuMask(toGray(leaf.image));
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  externalContours(mask, contours, hierarchy);
  std::ostringstream trace;
  const LeafOutline outline =
      extractLeafOutline(contours, hierarchy, leaf.image, mask, mask, RunOutput{trace, "", false});
  ASSERT_FALSE(outline.failure);
  EXPECT_EQ(trace.str(), "ee\nff\ngg\n");
  const auto& chain = outline.leafOutline;
  const auto dense = [](const std::vector<cv::Point>& c) {
    for (size_t i = 1; i < c.size(); ++i)
      if (cv::norm(c[i] - c[i - 1]) > std::sqrt(2.0) || c[i] == c[i - 1]) return false;
    return true;
  };
  EXPECT_TRUE(dense(chain));
  // The margin runs from one side band to the other without the stretches along the border.
  const int firstX = chain.front().x, lastX = chain.back().x;
  // (the shoulders climb in steps of about 33 pixels; the first kept step lies past x = 10).
  EXPECT_GT(std::min(firstX, lastX), 10);
  EXPECT_LT(std::min(firstX, lastX), 10 + 40);
  EXPECT_LT(std::max(firstX, lastX), design.width - 10);
  EXPECT_GT(std::max(firstX, lastX), design.width - 10 - 40);
  for (const cv::Point& p : chain) {
    ASSERT_GT(p.y, 10);
    ASSERT_LT(p.y, design.height - 10);
  }
  for (const cv::Point& tip : leaf.tips) {
    const bool passes = std::any_of(chain.begin(), chain.end(), [&](const cv::Point& p) {
      return std::abs(p.x - tip.x) <= 1 && std::abs(p.y - tip.y) <= 1;
    });
    EXPECT_TRUE(passes) << tip;
  }
  // The smoothed outline is dense too and stays between the sinus line and the tips.
  EXPECT_TRUE(dense(outline.smoothOutline));
  for (const cv::Point& p : outline.smoothOutline) {
    ASSERT_GE(p.y, design.marginY - design.shoulderRise);
    ASSERT_LE(p.y, design.marginY + design.toothHeight);
  }
}

}  // namespace
}  // namespace leafmargin
