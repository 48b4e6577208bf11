// Reading and orientation: pictures of every kind load as 8-bit colour, and the leaf counts as
// at the top only when more than 70 % of row 10 is foreground.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {
namespace {

TEST(Orientation, MoreThanSeventyPercentOfRowTenKeepsExactlySeventyTurns) {
  cv::Mat mask = cv::Mat::zeros(20, 10, CV_8UC1);
  mask.row(10).colRange(0, 7).setTo(255);
  EXPECT_DOUBLE_EQ(topRowForegroundFraction(mask), 0.7);
  EXPECT_FALSE(leafIsAtTop(mask));
  mask.at<uchar>(10, 7) = 255;
  EXPECT_TRUE(leafIsAtTop(mask));
  // Only exact 255 counts, and only row 10.
  mask.row(10).setTo(254);
  mask.row(9).setTo(255);
  mask.row(11).setTo(255);
  EXPECT_FALSE(leafIsAtTop(mask));
}

TEST(GrabCutSeed, LabelsFollowTheOtsuMask) {
  cv::Mat binary = (cv::Mat_<uchar>(1, 4) << 0, 255, 254, 255);
  const cv::Mat labels = seedGrabCutLabels(binary);
  EXPECT_EQ(labels.at<uchar>(0, 0), cv::GC_PR_BGD);
  EXPECT_EQ(labels.at<uchar>(0, 1), cv::GC_PR_FGD);
  EXPECT_EQ(labels.at<uchar>(0, 2), cv::GC_PR_BGD);
  const cv::Mat finalLabels = (cv::Mat_<uchar>(1, 4) << 0, 1, 2, 3);
  const cv::Mat fg = foregroundFromLabels(finalLabels);
  EXPECT_EQ(cv::countNonZero(fg), 2);
  EXPECT_EQ(fg.at<uchar>(0, 1), 255);
  EXPECT_EQ(fg.at<uchar>(0, 3), 255);
  // A class too small for GrabCut's five components.
  cv::Mat tiny(10, 10, CV_8UC1, cv::Scalar(cv::GC_PR_BGD));
  tiny.at<uchar>(0, 0) = cv::GC_PR_FGD;
  EXPECT_FALSE(grabCutCanRun(tiny));
  tiny.row(1).setTo(cv::GC_PR_FGD);
  EXPECT_TRUE(grabCutCanRun(tiny));
}

TEST(Reading, GreySixteenBitAndAlphaPicturesLoadAsEightBitColour) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "leafmargin-read";
  std::filesystem::create_directories(dir);
  cv::Mat grey(30, 40, CV_8UC1, cv::Scalar(200));
  cv::Mat deep(30, 40, CV_16UC1, cv::Scalar(51400));
  cv::Mat alpha(30, 40, CV_8UC4, cv::Scalar(10, 20, 30, 128));
  ASSERT_TRUE(cv::imwrite((dir / "grey.png").string(), grey));
  ASSERT_TRUE(cv::imwrite((dir / "deep.png").string(), deep));
  ASSERT_TRUE(cv::imwrite((dir / "alpha.png").string(), alpha));
  for (const char* name : {"grey.png", "deep.png", "alpha.png"}) {
    const cv::Mat read = readLeafPicture((dir / name).string());
    ASSERT_EQ(read.type(), CV_8UC3) << name;
    ASSERT_EQ(read.size(), cv::Size(40, 30));
  }
  EXPECT_EQ(readLeafPicture((dir / "deep.png").string()).at<cv::Vec3b>(0, 0), cv::Vec3b(200, 200, 200));
  EXPECT_EQ(readLeafPicture((dir / "alpha.png").string()).at<cv::Vec3b>(0, 0), cv::Vec3b(10, 20, 30));
  EXPECT_TRUE(readLeafPicture((dir / "missing.png").string()).empty());
  std::filesystem::remove_all(dir);
}

TEST(Segmentation, LeafAtTheBottomIsTurnedButTheGrabCutFileAndGreyAreNot) {
  leafgen::LeafSpec design;
  design.width = 360;
  design.height = 200;
  design.marginY = 90;
  design.teeth = 3;
  design.toothWidth = 60;
  design.toothHeight = 40;
  design.turn180 = true;
  const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
  std::ostringstream trace;
  const Segmentation seg = segmentLeaf(leaf.image.clone(), {}, RunOutput{trace, "", false});
  EXPECT_EQ(trace.str(), "aa\nbb\ncc\ndd\n");
  ASSERT_TRUE(seg.turned);
  // The leaf is now at the top of the turned pictures, while grey and labels keep it below.
  EXPECT_EQ(seg.foregroundMask.at<uchar>(5, design.width / 2), 255);
  EXPECT_EQ(seg.binaryImage.at<uchar>(5, design.width / 2), 255);
  EXPECT_EQ(seg.grabCutMask.at<uchar>(5, design.width / 2) & 1, 0);
  EXPECT_GT(seg.grayImage.at<uchar>(design.height - 5, design.width / 2), 100);
  EXPECT_GT(seg.sourceImage.at<cv::Vec3b>(5, design.width / 2)[1], 100);
  ASSERT_EQ(seg.contours.size(), 1u);
}

}  // namespace
}  // namespace leafmargin
