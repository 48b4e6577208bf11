// Reading, orientation and the polarity check: pictures of every kind load as 8-bit colour, the
// leaf counts as at the top only when more than 70 % of row 10 is foreground, and paper grounds
// around a darker leaf warn while lit leaves on a dark ground do not.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "leafgen/leaf_generator.h"
#include "segmentation/polarity_check.h"
#include "segmentation/segment_leaf.h"
#include "support/run_program.h"

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

namespace fs = std::filesystem;

bool onPaper(const std::string& paletteName) {
  return paletteName.find("on-white") != std::string::npos;
}

TEST(PolarityCheck, GeneratedLeavesOnWhitePaperWarnAndLitLeavesDoNot) {
  for (const std::string& name : leafgen::paletteNames()) {
    for (const bool turned : {false, true}) {
      for (const bool scanned : {false, true}) {
        leafgen::LeafSpec design;
        const leafgen::Palette palette = leafgen::namedPalette(name);
        design.leafColour = palette.leaf;
        design.backgroundColour = palette.ground;
        design.turn180 = turned;
        design.noiseSigma = scanned ? 8.0 : 0.0;
        design.jpegQuality = scanned ? 85 : 0;
        const PolarityEvidence evidence = polarityEvidence(leafgen::generateLeaf(design).image);
        EXPECT_EQ(evidence.score > 0.0, onPaper(name))
            << name << " turned " << turned << " scanned " << scanned << ": " << evidence.score;
      }
    }
  }
  EXPECT_FALSE(brightClassLooksLikePaper(cv::Mat(40, 40, CV_8UC3, cv::Scalar::all(255))));
}

// Two flat classes: each class's lightness and chroma are CIELAB's as OpenCV computes them on
// floats, within OpenCV's own approximation of the curves (a near-black class takes the linear
// part of the curve), and the choice of --leaf auto
// follows the evidence, clear or not.
TEST(PolarityCheck, ClassColoursAreTheirCielabValuesAndDecideTheChoice) {
  const struct { cv::Vec3b bright, dark; LeafPolarity leaf; bool clear; } cases[] = {
      {{245, 245, 245}, {60, 140, 70}, LeafPolarity::Dark, true},     // a green leaf on paper
      {{110, 210, 140}, {8, 8, 8}, LeafPolarity::Bright, true},       // a lit leaf on black
      {{150, 150, 150}, {100, 100, 100}, LeafPolarity::Dark, false},  // two greys: no telling
      {{120, 120, 120}, {70, 70, 70}, LeafPolarity::Bright, false},
  };
  const auto lab = [](cv::Vec3b colour) {
    cv::Mat pixel(1, 1, CV_32FC3, cv::Scalar(colour[0] / 255.0, colour[1] / 255.0, colour[2] / 255.0)), out;
    cv::cvtColor(pixel, out, cv::COLOR_BGR2Lab);
    const cv::Vec3f v = out.at<cv::Vec3f>(0, 0);
    return std::pair<double, double>{v[0], std::hypot(v[1], v[2])};
  };
  for (const auto& c : cases) {
    cv::Mat picture(60, 80, CV_8UC3, cv::Scalar(c.dark[0], c.dark[1], c.dark[2]));
    picture(cv::Rect(0, 0, 80, 25)).setTo(cv::Scalar(c.bright[0], c.bright[1], c.bright[2]));
    const PolarityEvidence e = polarityEvidence(picture);
    EXPECT_NEAR(e.brightLightness, lab(c.bright).first, 0.25) << c.bright;
    EXPECT_NEAR(e.brightChroma, lab(c.bright).second, 0.25) << c.bright;
    EXPECT_NEAR(e.darkLightness, lab(c.dark).first, 0.25) << c.dark;
    EXPECT_NEAR(e.darkChroma, lab(c.dark).second, 0.25) << c.dark;
    const PolarityChoice choice = choosePolarity(picture);
    EXPECT_EQ(choice.leaf, c.leaf) << c.bright << " score " << e.score;
    EXPECT_EQ(choice.clear, c.clear) << c.bright << " score " << e.score;
  }
}

// Real pictures: the suite carries the label slow.
TEST(PolarityCheckSlow, RealScansOnPaperWarnAndTheirDarkGroundTwinsDoNot) {
  const fs::path folder = LEAFMARGIN_REAL_LEAVES;
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no real pictures at " << folder;
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".jpg") continue;
    const PolarityEvidence evidence = polarityEvidence(cv::imread(entry.path().string()));
    EXPECT_EQ(evidence.score > 0.0, name.find("_darkbg") == std::string::npos)
        << name << " score " << evidence.score;
    ++pictures;
  }
  EXPECT_GT(pictures, 30);
}

}  // namespace
}  // namespace leafmargin
