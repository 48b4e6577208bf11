// The whole-leaf mode as a user runs it: generated whole leaves at 1200 dpi on both grounds,
// turned by a few degrees, measured against their drawn teeth; real scans, where the grape leaf
// gives the teeth of its hand-cut crop and the beech leaves none, as their crop; a run that finds
// nothing to measure writes nothing. Runs of minutes of GrabCut carry the label slow.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "app/pipeline.h"
#include "leafgen/whole_leaf.h"
#include "report/results_csv.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::runProgram;
using testing::ScratchDir;


// The rows of a table without quoted fields, header first.
std::vector<std::vector<std::string>> readTable(const std::filesystem::path& path) {
  return testing::tableCells(testing::readFile(path), ',');
}

struct Ground { bool dark; double turn; double ovate; };

// A run takes a few seconds of GrabCut per leaf: the suite carries the label slow.
class WholeLeafGeneratedSlow : public ::testing::TestWithParam<Ground> {};

TEST_P(WholeLeafGeneratedSlow, FindsTheDrawnTeethOnceEach) {
  leafgen::WholeLeafSpec design;
  design.darkGround = GetParam().dark;
  design.turnDegrees = GetParam().turn;
  design.ovate = GetParam().ovate;
  design.teethPerSide = 13;
  const leafgen::GeneratedWholeLeaf leaf = leafgen::generateWholeLeaf(design);
  ScratchDir dir("wholeleaf");
  cv::imwrite((dir.path() / "leaf.png").string(), leaf.image);
  const testing::ProgramRun run = runProgram(dir.path(), {"--whole-leaf", "-o", "out", "leaf.png"});
  ASSERT_EQ(run.status, 0) << run.stderrText;
  EXPECT_NE(run.stdoutText.find("leaves: 1\n"), std::string::npos) << run.stdoutText;

  const auto table = readTable(dir.path() / "out" / "whole_leaf_teeth.csv");
  ASSERT_GE(table.size(), 2u);
  ASSERT_EQ(table[0][2], "tip_x");
  ASSERT_EQ(table[0][6], "tooth_height_mm");
  std::vector<cv::Point2d> tips;
  for (std::size_t r = 1; r < table.size(); ++r) tips.emplace_back(std::stod(table[r][2]), std::stod(table[r][3]));
  auto near = [&](cv::Point2d p) {
    std::vector<std::size_t> rows;
    for (std::size_t k = 0; k < tips.size(); ++k)
      if (cv::norm(tips[k] - p) <= 12.0) rows.push_back(k + 1);
    return rows;
  };
  int matched = 0;
  std::vector<double> widthRatios, heightRatios;
  for (std::size_t t = 0; t < leaf.teeth.size(); ++t) {
    const auto rows = near(leaf.teeth[t].tip);
    // The tooth next to the untoothed stretch at the apex or at the base is the last one of its
    // windows, which the analysis always leaves out; every other tooth is found, once.
    const std::size_t onSide = t % design.teethPerSide;
    const bool besideAnEnd = onSide == 0 || onSide + 1 == static_cast<std::size_t>(design.teethPerSide);
    if (!besideAnEnd) {
      EXPECT_EQ(rows.size(), 1u) << "drawn tooth " << t << " at " << leaf.teeth[t].tip;
    }
    EXPECT_LE(rows.size(), 1u);
    if (rows.empty()) continue;
    ++matched;
    widthRatios.push_back(std::stod(table[rows[0]][5]) / (leaf.teeth[t].width() * kMmPerPixel));
    heightRatios.push_back(std::stod(table[rows[0]][6]) / (leaf.teeth[t].height() * kMmPerPixel));
  }
  EXPECT_GE(matched, 0.8 * leaf.teeth.size());
  int onATip = 0;
  for (const cv::Point2d& tip : tips)
    onATip += std::any_of(leaf.teeth.begin(), leaf.teeth.end(),
                          [&](const leafgen::DrawnTooth& d) { return cv::norm(d.tip - tip) <= 12.0; });
  EXPECT_GE(onATip, 0.9 * tips.size());
  ASSERT_FALSE(widthRatios.empty());
  std::nth_element(widthRatios.begin(), widthRatios.begin() + widthRatios.size() / 2, widthRatios.end());
  std::nth_element(heightRatios.begin(), heightRatios.begin() + heightRatios.size() / 2, heightRatios.end());
  EXPECT_NEAR(widthRatios[widthRatios.size() / 2], 1.0, 0.05);
  EXPECT_NEAR(heightRatios[heightRatios.size() / 2], 1.0, 0.10);

  // The windows table accounts for every window; the picture is there.
  const auto windows = readTable(dir.path() / "out" / "whole_leaf_windows.csv");
  EXPECT_EQ(windows[0][8], "status");
  EXPECT_NE(run.stdoutText.find("windows: " + std::to_string(windows.size() - 1) + " measured, 0 rejected"),
            std::string::npos) << run.stdoutText;
  EXPECT_FALSE(cv::imread((dir.path() / "out" / "whole_leaf.png").string()).empty());
}

INSTANTIATE_TEST_SUITE_P(BothGrounds, WholeLeafGeneratedSlow,
                         ::testing::Values(Ground{true, 3.0, 0.0}, Ground{false, -4.0, 0.6}),
                         [](const auto& info) { return info.param.dark ? "DarkGround" : "WhitePaper"; });

TEST(WholeLeafRun, NothingToMeasureIsAFailureThatWritesNothing) {
  ScratchDir dir("wholeleaf-none");
  // A leaf cut by the picture's border is not a whole leaf.
  cv::Mat picture(600, 1000, CV_8UC3, cv::Scalar(240, 240, 240));
  cv::ellipse(picture, {150, 300}, {500, 250}, 0, 0, 360, cv::Scalar(40, 120, 50), cv::FILLED);
  cv::imwrite((dir.path() / "cut.png").string(), picture);
  const testing::ProgramRun run =
      runProgram(dir.path(), {"--whole-leaf", "-o", "out", "--keep-crops", "crops", "cut.png"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderrText.find("no whole leaf in cut.png"), std::string::npos) << run.stderrText;
  EXPECT_NE(run.stderrText.find("touch the picture's border"), std::string::npos) << run.stderrText;
  EXPECT_EQ(run.stdoutText, "");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
}

const std::string kReal = LEAFMARGIN_REAL_LEAVES;

// Rows of whole_leaf_teeth.csv after the header: tip_x, tip_y, tooth_width_mm, tooth_height_mm.
std::vector<std::array<double, 4>> wholeLeafTeeth(const std::string& picture, const std::string& dpi,
                                                  const ScratchDir& dir) {
  EXPECT_EQ(testing::runProgram(dir.path(), {"--whole-leaf", "--dpi", dpi, "-o", "out", kReal + "/" + picture})
                .status, 0);
  const auto rows = readTable(dir.path() / "out" / "whole_leaf_teeth.csv");
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
    const double width = crop.measured.record.teeth[r].largeurDent * kMmPerPixel;
    const double height = crop.measured.record.teeth[r].hauteurDent * kMmPerPixel;
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
