// The polarity check: paper grounds around a darker leaf warn, lit leaves on a dark ground do
// not, on generated leaves of every palette and on the real scans when they are present.
#include <gtest/gtest.h>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "leafgen/leaf_generator.h"
#include "segmentation/polarity_check.h"

namespace leafmargin {
namespace {

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
