// The program's GrabCut against cv::grabCut: the labels and both models must match byte for
// byte on every picture, whatever the number of threads, from the same random generator state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <opencv2/imgproc.hpp>

#include "grabcut/grabcut.h"
#include "leafgen/leaf_generator.h"
#include "picture/picture_file.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {
namespace {

bool sameBytes(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && a.isContinuous() && b.isContinuous() &&
         std::memcmp(a.data, b.data, a.total() * a.elemSize()) == 0;
}

// Runs both on the same seed labels and reports the first difference.
void expectSameAsLibrary(const cv::Mat& picture, const cv::Mat& seed, int threads) {
  cv::Mat libraryMask = seed.clone(), ownMask = seed.clone();
  cv::Mat libraryModels[2], ownModels[2];
  cv::theRNG().state = 0xffffffffULL;  // as a fresh thread starts
  cv::grabCut(picture, libraryMask, cv::Rect(), libraryModels[0], libraryModels[1], 8,
              cv::GC_INIT_WITH_MASK);
  const std::uint64_t libraryState = cv::theRNG().state;
  cv::theRNG().state = 0xffffffffULL;  // as a fresh thread starts
  int calls = 0;
  grabCutFromMask(picture, ownMask, ownModels[0], ownModels[1], 8,
                  {threads, [&](int i, int n) { EXPECT_EQ(i, ++calls); EXPECT_EQ(n, 8); }});
  EXPECT_EQ(calls, 8);
  EXPECT_EQ(cv::theRNG().state, libraryState) << "random generator state";
  EXPECT_TRUE(sameBytes(ownMask, libraryMask))
      << cv::countNonZero(ownMask != libraryMask) << " labels differ";
  EXPECT_TRUE(sameBytes(ownModels[0], libraryModels[0])) << "background model";
  EXPECT_TRUE(sameBytes(ownModels[1], libraryModels[1])) << "foreground model";
}

// The seed as the program makes it: Otsu's brighter class is the leaf, or the darker one.
cv::Mat programSeed(const cv::Mat& picture, bool darkLeaf) {
  cv::Mat binary = otsuMask(toGray(picture));
  if (darkLeaf) binary = 255 - binary;
  return seedGrabCutLabels(binary);
}

struct GeneratedCase {
  int width, height, teeth; double noise; int jpegQuality;
  cv::Scalar leaf, background; bool darkLeaf, turned; int threads;
};

TEST(OwnGrabCut, MatchesTheLibraryOnGeneratedLeaves) {
  const cv::Scalar green{110, 210, 140}, black{25, 25, 25}, white{235, 240, 238}, brown{40, 70, 90},
      grey{120, 128, 125};
  const GeneratedCase cases[] = {
      {240, 120, 3, 0.0, 0, green, black, false, false, 1},
      {320, 160, 5, 4.0, 0, green, black, false, true, 2},
      {300, 170, 4, 12.0, 0, brown, white, true, false, 3},
      {280, 150, 6, 2.0, 85, grey, white, true, true, 2},
      {360, 140, 7, 25.0, 60, green, grey, false, false, 4},
  };
  {
    SCOPED_TRACE("the generator's default leaf: one colour per class, near-singular models");
    const cv::Mat picture = leafgen::generateLeaf(leafgen::LeafSpec()).image;
    expectSameAsLibrary(picture, programSeed(picture, false), 2);
  }
  for (const GeneratedCase& c : cases) {
    leafgen::LeafSpec design;
    design.width = c.width, design.height = c.height, design.teeth = c.teeth;
    design.toothWidth = (c.width - 40) / c.teeth, design.toothHeight = design.toothWidth / 2;
    design.marginY = c.height / 2, design.noiseSigma = c.noise, design.jpegQuality = c.jpegQuality;
    design.leafColour = c.leaf, design.backgroundColour = c.background, design.turn180 = c.turned;
    const cv::Mat picture = leafgen::generateLeaf(design).image;
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " noise " << c.noise
                                    << (c.darkLeaf ? " dark leaf" : " bright leaf"));
    expectSameAsLibrary(picture, programSeed(picture, c.darkLeaf), c.threads);
  }
}

TEST(OwnGrabCut, MatchesTheLibraryWithCertainLabelsAndRejectsWhatItRejects) {
  leafgen::LeafSpec design;
  design.width = 200, design.height = 100, design.teeth = 4, design.toothWidth = 40;
  design.toothHeight = 20, design.marginY = 50, design.noiseSigma = 6.0;
  const cv::Mat picture = leafgen::generateLeaf(design).image;
  cv::Mat seed = programSeed(picture, false);
  seed.row(0).setTo(cv::GC_FGD);
  seed.row(seed.rows - 1).setTo(cv::GC_BGD);
  expectSameAsLibrary(picture, seed, 2);

  cv::Mat models[2];
  cv::Mat badLabel = seed.clone();
  badLabel.at<uchar>(5, 5) = 4;
  EXPECT_THROW(grabCutFromMask(picture, badLabel, models[0], models[1], 8, {}), cv::Exception);
  cv::Mat oneClass(picture.size(), CV_8UC1, cv::Scalar(cv::GC_PR_FGD));
  EXPECT_THROW(grabCutFromMask(picture, oneClass, models[0], models[1], 8, {}), cv::Exception);
}

// Real scans, when the collection is there (label slow).
// Five real pictures by default (a ground of each kind, the three kinds of leaf); every one of
// the folder with LEAFMARGIN_ALL_REAL_PICTURES set (about eight minutes on 2 cores).
TEST(OwnGrabCutSlow, MatchesTheLibraryOnRealPictures) {
  const std::filesystem::path folder = LEAFMARGIN_REAL_LEAVES;
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no real pictures";
  const std::set<std::string> everyDay{"sw_l1_top.jpg", "sw_l1_top_darkbg.jpg", "beech_grey_top.jpg",
                                       "beech_grey_top_darkbg.jpg", "grape_304_top_darkbg.jpg"};
  const bool all = std::getenv("LEAFMARGIN_ALL_REAL_PICTURES") != nullptr;
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".jpg") continue;
    if (!all && !everyDay.count(entry.path().filename().string())) continue;
    const cv::Mat picture = readLeafPicture(entry.path().string());
    // The leaf is the brighter class on the dark-background copies, the darker one elsewhere.
    const bool darkLeaf = entry.path().stem().string().find("_darkbg") == std::string::npos;
    const cv::Mat seed = programSeed(picture, darkLeaf);
    if (!grabCutCanRun(seed)) continue;
    SCOPED_TRACE(entry.path().filename().string());
    expectSameAsLibrary(picture, seed, 2);
    ++compared;
  }
  EXPECT_GE(compared, all ? 30 : 4);
}

}  // namespace
}  // namespace leafmargin
