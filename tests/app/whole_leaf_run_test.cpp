// The whole-leaf mode as a user runs it: generated whole leaves at 1200 dpi on both grounds,
// turned by a few degrees, their teeth found where they were drawn, with the tables and the picture
// it writes; a run that finds nothing to measure writes nothing; the real whole-leaf pictures
// at their resolution (slow: a minute in all).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "leafgen/whole_leaf.h"
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

class WholeLeafGenerated : public ::testing::TestWithParam<Ground> {};

TEST_P(WholeLeafGenerated, FindsTheDrawnTeethOnceEach) {
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
  // Every drawn tip is reported once, within 12 pixels (0.25 mm), at the scan's coordinates (the
  // analysis's measures against the drawn ones are the scene tests').
  int matched = 0, twice = 0;
  for (const leafgen::DrawnTooth& drawn : leaf.teeth) {
    int copies = 0;
    for (std::size_t r = 1; r < table.size(); ++r)
      copies += cv::norm(cv::Point2d(std::stod(table[r][2]), std::stod(table[r][3])) - drawn.tip) <= 12.0;
    matched += copies > 0;
    twice += copies > 1;
  }
  EXPECT_GE(matched, 0.8 * leaf.teeth.size());
  EXPECT_LE(table.size() - 1, leaf.teeth.size() + 2);
  EXPECT_EQ(twice, 0);

  // The windows table accounts for every window; the leaves table has the leaf; the picture is there.
  const auto windows = readTable(dir.path() / "out" / "whole_leaf_windows.csv");
  EXPECT_EQ(windows[0][8], "status");
  EXPECT_NE(run.stdoutText.find("windows: " + std::to_string(windows.size() - 1) + " measured, 0 rejected"),
            std::string::npos) << run.stdoutText;
  const auto leaves = readTable(dir.path() / "out" / "whole_leaf_leaves.csv");
  ASSERT_EQ(leaves.size(), 2u);
  std::map<std::string, std::string> row;
  for (std::size_t c = 0; c < leaves[0].size(); ++c) row[leaves[0][c]] = leaves[1][c];
  EXPECT_EQ(row["morphotype"], "leaf_1");
  EXPECT_EQ(row["dpi"], "1200");
  EXPECT_EQ(row["teeth"], std::to_string(table.size() - 1));
  EXPECT_EQ(row["no_of_primary_teeth"], row["teeth"]);
  EXPECT_EQ(row["border_length_mm"], "0.00");  // no stretch of the leaf on the picture's border
  EXPECT_EQ(row["length_of_cut_perimeter"], "0.00");
  EXPECT_FALSE(cv::imread((dir.path() / "out" / "whole_leaf.png").string()).empty());
  // -q: the same tables; one line instead of the summary, no progress, no warning.
  const testing::ProgramRun quiet = runProgram(dir.path(), {"--whole-leaf", "-q", "-o", "quiet", "leaf.png"});
  EXPECT_EQ(quiet.stdoutText, "leaf.png: " + row["teeth"] + " teeth on 1 leaf, results in " +
                                  (dir.path() / "quiet" / "whole_leaf_teeth.csv").string() + "\n");
  EXPECT_EQ(quiet.stderrText, "");
  EXPECT_EQ(testing::readFile(dir.path() / "quiet" / "whole_leaf_leaves.csv"),
            testing::readFile(dir.path() / "out" / "whole_leaf_leaves.csv"));
}

INSTANTIATE_TEST_SUITE_P(BothGrounds, WholeLeafGenerated,
                         ::testing::Values(Ground{true, 3.0, 0.0}, Ground{false, -4.0, 0.6}),
                         [](const auto& info) { return info.param.dark ? "DarkGround" : "WhitePaper"; });

TEST(WholeLeafRun, NothingToMeasureIsAFailureThatWritesNothing) {
  ScratchDir dir("wholeleaf-none");
  // Graph paper with a ruler and some print: no leaf.
  cv::Mat picture(600, 1000, CV_8UC3, cv::Scalar(240, 240, 245));
  for (int x = 5; x < picture.cols; x += 12) cv::line(picture, {x, 0}, {x, 599}, cv::Scalar(150, 140, 230), 1);
  for (int y = 5; y < picture.rows; y += 12) cv::line(picture, {0, y}, {999, y}, cv::Scalar(150, 140, 230), 1);
  cv::rectangle(picture, {50, 480}, {950, 560}, cv::Scalar(80, 190, 230), cv::FILLED);
  cv::putText(picture, "leaf 27", {100, 200}, cv::FONT_HERSHEY_SIMPLEX, 2.0, cv::Scalar(20, 20, 20), 3);
  cv::imwrite((dir.path() / "paper.png").string(), picture);
  const testing::ProgramRun run =
      runProgram(dir.path(), {"--whole-leaf", "--dpi", "300", "-o", "out", "--keep-crops", "crops", "paper.png"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderrText.find("no leaf was found in paper.png"), std::string::npos) << run.stderrText;
  EXPECT_NE(run.stderrText.find("1 straight-edged"), std::string::npos) << run.stderrText;
  EXPECT_EQ(run.stdoutText, "");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
}

// A file of the mode that cannot be written ends the run with status 3 and one line naming it:
// a kept crop (a folder stands where its crop.png goes) and one of the outputs.
TEST(WholeLeafRun, AKeptCropOrAnOutputThatCannotBeWrittenEndsTheRunWithStatus3) {
  ScratchDir dir("wholeleaf-unwritable");
  leafgen::WholeLeafSpec design;
  design.teethPerSide = 6;
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leafgen::generateWholeLeaf(design).image));
  std::filesystem::create_directories(dir.path() / "crops" / "leaf1_window02" / "crop.png");
  const testing::ProgramRun crop =
      runProgram(dir.path(), {"--whole-leaf", "-o", "out", "--keep-crops", "crops", "leaf.png"});
  EXPECT_EQ(crop.status, 3);
  EXPECT_NE(crop.stderrText.find("leaf-margin: Cannot write crop.png in crops/leaf1_window02: Is a directory\n"),
            std::string::npos) << crop.stderrText;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
  std::filesystem::create_directories(dir.path() / "out2" / "whole_leaf.png");
  const testing::ProgramRun output = runProgram(dir.path(), {"--whole-leaf", "-o", "out2", "leaf.png"});
  EXPECT_EQ(output.status, 3);
  EXPECT_NE(output.stderrText.find("leaf-margin: Cannot write whole_leaf.png in out2: Is a directory\n"),
            std::string::npos) << output.stderrText;
}

// A leaf whose GrabCut would not fit in the memory left stops the run before it is segmented,
// with the memory status and nothing written; --tidy does not apply to the whole-leaf mode,
// whose tables are tidy already, and is refused as a usage error.
TEST(WholeLeafRun, ALeafTooLargeForTheMemoryAndTidyAreRefusedBeforeAnyWork) {
  ScratchDir dir("wholeleaf-memory");
  leafgen::WholeLeafSpec design;
  design.bladeLength = 3000, design.bladeWidth = 1700, design.toothHeight = 80, design.petioleLength = 300;
  ASSERT_TRUE(cv::imwrite((dir.path() / "large.png").string(), leafgen::generateWholeLeaf(design).image));
  const testing::ProgramRun tidy = runProgram(dir.path(), {"--whole-leaf", "--tidy", "large.png"});
  EXPECT_EQ(tidy.status, 64);
  EXPECT_NE(tidy.stderrText.find("--tidy"), std::string::npos) << tidy.stderrText;
  if (testing::kAddressSanitizer) return;
  const testing::ProgramRun run = runProgram(
      dir.path(), {"--whole-leaf", "--dpi", "600", "-o", "out", "large.png"}, "ulimit -v 500000; ");
  EXPECT_EQ(run.status, 4) << run.stderrText;
  EXPECT_NE(run.stderrText.find("leaf-margin: Not enough memory to segment a "), std::string::npos)
      << run.stderrText;
  EXPECT_EQ(run.stdoutText, "");
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
}

// Real whole-leaf scans and photos at their resolution (the pictures' SOURCES.md): no two
// reported tips within 1 mm of each other, every tip within 1 mm of the leaf's visible margin,
// and a count a person accepts: within a third and one and a half times the teeth counted by eye
// on the picture (a range where the margin's minute points may or may not be counted as teeth).

// The visible margin: where the colour leaves the ground's (the median of the picture's border)
// by 30 % of the leaves' contrast with it, lines of graph paper opened away; the distance from
// every pixel to it.
cv::Mat distanceToVisibleMargin(const cv::Mat& picture) {
  cv::Mat border, channels[3], picture32, difference;
  cv::hconcat(std::vector<cv::Mat>{picture.row(0), picture.row(picture.rows - 1), picture.col(0).t(),
                                   picture.col(picture.cols - 1).t()},
              border);
  cv::split(border, channels);
  cv::Scalar ground;  // the median colour of the picture's border
  for (int c = 0; c < 3; ++c) {
    std::vector<uchar> values = channels[c].reshape(1, 1);
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    ground[c] = values[values.size() / 2];
  }
  picture.convertTo(picture32, CV_32FC3);
  cv::Mat offset = picture32 - ground;
  cv::transform(offset.mul(offset), difference, cv::Matx13f(1, 1, 1));
  cv::sqrt(difference, difference);
  std::vector<float> sorted(difference.begin<float>(), difference.end<float>());
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() * 95 / 100, sorted.end());
  const cv::Mat leaf = difference > 0.3f * sorted[sorted.size() * 95 / 100];
  cv::Mat opened, edge, distance;
  cv::morphologyEx(leaf, opened, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_ELLIPSE, {5, 5}));
  cv::morphologyEx(opened, edge, cv::MORPH_GRADIENT, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
  cv::distanceTransform(edge == 0, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  return distance;
}
struct RealScan {
  const char* path;  // from the shared leaves folder
  double dpi;
  int byEyeLow, byEyeHigh;
};
void PrintTo(const RealScan& c, std::ostream* os) { *os << c.path; }
// A failure shows its case by name rather than by the bytes of the struct.
void PrintTo(const Ground& c, std::ostream* os) { *os << (c.dark ? "dark ground" : "white paper"); }

class WholeLeafRealSlow : public ::testing::TestWithParam<RealScan> {};

TEST_P(WholeLeafRealSlow, TipsAreDistinctOnTheMarginAndCountedAsAPersonCounts) {
  const RealScan scan = GetParam();
  const std::string picture = std::string(LEAFMARGIN_REAL_LEAVES) + "/../" + scan.path;
  if (!std::ifstream(picture)) GTEST_SKIP() << "real pictures absent";
  ScratchDir dir("wholeleaf-real");
  std::ostringstream dpi;
  dpi << scan.dpi;
  const testing::ProgramRun run =
      runProgram(dir.path(), {"--whole-leaf", "--dpi", dpi.str(), "-o", "out", picture});
  ASSERT_EQ(run.status, 0) << run.stderrText;
  const auto table = readTable(dir.path() / "out" / "whole_leaf_teeth.csv");
  const double perMm = scan.dpi / 25.4;
  std::vector<std::pair<int, cv::Point2d>> tips;
  for (std::size_t r = 1; r < table.size(); ++r)
    tips.push_back({std::stoi(table[r][0]), {std::stod(table[r][2]), std::stod(table[r][3])}});
  for (std::size_t a = 0; a < tips.size(); ++a) {
    for (std::size_t b = a + 1; b < tips.size(); ++b) {
      if (tips[a].first != tips[b].first) continue;
      EXPECT_GE(cv::norm(tips[a].second - tips[b].second), perMm) << a << " " << b;
    }
  }
  const cv::Mat distance = distanceToVisibleMargin(cv::imread(picture));
  for (const auto& [leaf, tip] : tips)
    EXPECT_LE(distance.at<float>(cv::Point(std::lround(tip.x), std::lround(tip.y))), perMm) << tip;

  const double count = static_cast<double>(tips.size());
  EXPECT_GE(count, scan.byEyeLow / 3.0);
  EXPECT_LE(count, 1.5 * scan.byEyeHigh);
}

// Counted by eye on each picture (README, "Whole-leaf scans").
INSTANTIATE_TEST_SUITE_P(
    SharedPictures, WholeLeafRealSlow,
    ::testing::Values(RealScan{"whole/grape_K0278B_whole.jpg", 150, 62, 62},
                      RealScan{"whole/grape_K0463B_whole.jpg", 150, 67, 67},
                      RealScan{"whole/grape_K0505C_whole.jpg", 150, 62, 62},
                      RealScan{"whole/grape_K0644B_whole.jpg", 150, 60, 60},
                      RealScan{"whole/grape_L1139A_whole.jpg", 150, 62, 62},
                      RealScan{"whole/grape_L1231A_whole.jpg", 150, 72, 72},
                      RealScan{"whole/beech_ls3_whole.jpg", 300, 0, 4},
                      RealScan{"real/grape_example_whole.jpg", 356, 50, 50},
                      RealScan{"real/beech_grey_whole.jpg", 210, 0, 6},
                      RealScan{"real/sw_l9_whole.jpg", 300, 48, 48}),
    [](const auto& info) {
      std::string name = std::filesystem::path(info.param.path).stem().string();
      name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
      return name;
    });

}  // namespace
}  // namespace leafmargin
