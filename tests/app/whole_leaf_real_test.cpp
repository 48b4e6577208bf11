// The whole-leaf mode on real scans (minutes of GrabCut): the grape leaf gives the teeth that its
// hand-cut crop gives, the beech leaves give no tooth, as their crop does.
#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "app/pipeline.h"
#include "report/results_csv.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::ScratchDir;

const std::string kReal = LEAFMARGIN_REAL_LEAVES;

// Rows of whole_leaf_teeth.csv after the header: tip_x, tip_y, tooth_width_mm, tooth_height_mm.
std::vector<std::array<double, 4>> wholeLeafTeeth(const std::string& picture, const std::string& dpi,
                                                  const ScratchDir& dir) {
  EXPECT_EQ(testing::runProgram(dir.path(), {"--whole-leaf", "--dpi", dpi, "-o", "out", kReal + "/" + picture})
                .status, 0);
  const auto rows = testing::tableCells(testing::readFile(dir.path() / "out" / "whole_leaf_teeth.csv"), ',');
  std::vector<std::array<double, 4>> teeth;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& f = rows[r];
    teeth.push_back({std::stod(f[2]), std::stod(f[3]), std::stod(f[5]), std::stod(f[6])});
  }
  return teeth;
}

bool havePictures(std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (!std::ifstream(kReal + "/" + name)) return false;
  return true;
}

TEST(WholeLeafRealSlow, GrapeGivesTheTeethOfItsHandCutCrop) {
  if (!havePictures({"grape_example_whole.jpg", "grape_example_top_darkbg.jpg"}))
    GTEST_SKIP() << "real pictures absent";
  // The crop: the source picture's x 1383.., y 1233.. enlarged 1.930 times; the whole leaf: its
  // x 1237.., y 587.. enlarged 1.190 times (the pictures' SOURCES.md).
  auto cropToWhole = [](cv::Point q) {
    const double x = 1383 + (q.x + 0.5) / 1.930 - 0.5, y = 1233 + (q.y + 0.5) / 1.930 - 0.5;
    return cv::Point2d((x - 1237 + 0.5) * 1.190 - 0.5, (y - 587 + 0.5) * 1.190 - 0.5);
  };
  std::ostringstream trace;
  const PictureAnalysis crop = analysePicture(cv::imread(kReal + "/grape_example_top_darkbg.jpg"),
                                              SegmentationSettings{}, RunOutput{trace, "", false});
  ASSERT_EQ(crop.measured.teeth.size(), 7u);

  ScratchDir dir("wholeleaf-grape");
  const auto whole = wholeLeafTeeth("grape_example_whole.jpg", "740", dir);
  for (std::size_t r = 0; r < crop.measured.teeth.size(); ++r) {
    const cv::Point2d tip = cropToWhole(crop.leafOutline[crop.measured.teeth[r].tip]);
    const auto found = std::find_if(whole.begin(), whole.end(), [&](const auto& t) {
      return cv::norm(cv::Point2d(t[0], t[1]) - tip) < 4.0;
    });
    ASSERT_NE(found, whole.end()) << "tooth " << r + 1 << " at " << tip;
    const double width = crop.measured.record.largeursDents[r] * kMmPerPixel;
    const double height = crop.measured.record.hauteursDents[r] * kMmPerPixel;
    EXPECT_NEAR((*found)[2], width, 0.02 * width) << "tooth " << r + 1;
    EXPECT_NEAR((*found)[3], height, 0.02 * height) << "tooth " << r + 1;
  }
}

TEST(WholeLeafRealSlow, BeechLeavesHaveNoTeethLikeTheirCrop) {
  if (!havePictures({"beech_grey_whole.jpg"})) GTEST_SKIP() << "real pictures absent";
  ScratchDir dir("wholeleaf-beech");
  // 425 dpi enlarges the leaves as much as their crop beech_grey_top.jpg was.
  EXPECT_TRUE(wholeLeafTeeth("beech_grey_whole.jpg", "425", dir).empty());
}

}  // namespace
}  // namespace leafmargin
