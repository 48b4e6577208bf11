// A corpus of bad and awkward pictures, each with the status and trace a user should see, and
// the promise that a failed run never touches an earlier results.csv.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::ProgramRun;
using testing::ScratchDir;

const std::string kVersionLine = "opencv version : 4.6\n";
const std::string kEarlierTable = "Dent;earlier table\r\n";
const std::string kNoLeafTrace = kVersionLine +
                                 "aa\nbb\ncc\ndd\nee\nff\n"
                                 "Erreur à getAllPointsOfContour : contour.size()=0\n";

using testing::readFile;

// Runs the program on a picture in a folder that already holds an earlier results.csv.
ProgramRun runWithEarlierTable(const ScratchDir& dir, const std::string& picture) {
  std::ofstream(dir.path() / "results.csv", std::ios::binary) << kEarlierTable;
  return testing::runProgram(dir.path(), {picture});
}

leafgen::LeafSpec smallLeaf(int teeth) {
  leafgen::LeafSpec design;
  design.width = 620;
  design.height = 330;
  design.marginY = 190;
  design.teeth = teeth;
  design.toothWidth = 90;
  design.toothHeight = 50;
  design.shape = leafgen::ToothShape::Saw;
  return design;
}

std::string line(const ProgramRun& run, const std::string& prefix) {
  std::istringstream lines(run.stdoutText);
  std::string l;
  while (std::getline(lines, l))
    if (l.rfind(prefix, 0) == 0) return l;
  return "";
}

TEST(BadPictures, FailuresLeaveTheEarlierTableUntouched) {
  ScratchDir dir("bad");
  std::ofstream(dir.path() / "empty.jpg");
  std::ofstream(dir.path() / "text.jpg") << "not a picture";
  ASSERT_TRUE(cv::imwrite((dir.path() / "five.png").string(), cv::Mat(5, 5, CV_8UC3, cv::Scalar(255, 255, 255))));
  ASSERT_TRUE(cv::imwrite((dir.path() / "white.png").string(), cv::Mat(240, 320, CV_8UC3, cv::Scalar(255, 255, 255))));
  ASSERT_TRUE(cv::imwrite((dir.path() / "black.png").string(), cv::Mat(240, 320, CV_8UC3, cv::Scalar(0, 0, 0))));
  cv::Mat tiny(240, 320, CV_8UC3, cv::Scalar(20, 20, 20));
  cv::rectangle(tiny, {0, 0}, {319, 60}, cv::Scalar(120, 220, 140), cv::FILLED);  // 19520 px
  ASSERT_TRUE(cv::imwrite((dir.path() / "tiny-leaf.png").string(), tiny));

  for (const std::string name : {"empty.jpg", "text.jpg", "missing.png"}) {
    const ProgramRun run = runWithEarlierTable(dir, name);
    EXPECT_EQ(run.status, 255) << name;
    EXPECT_EQ(run.stdoutText, kVersionLine + "Cannot read the image: " + name + "\n");
    EXPECT_EQ(readFile(dir.path() / "results.csv"), kEarlierTable) << name;
  }
  {
    const ProgramRun run = runWithEarlierTable(dir, "five.png");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.stdoutText, kVersionLine + "The image is too small: five.png has 5 rows, at least 11 are needed\n");
    EXPECT_EQ(readFile(dir.path() / "results.csv"), kEarlierTable);
  }
  // A single grey level, or a leaf too small to qualify: no leaf region.
  for (const std::string name : {"white.png", "black.png", "tiny-leaf.png"}) {
    const ProgramRun run = runWithEarlierTable(dir, name);
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.stdoutText, kNoLeafTrace) << name;
    EXPECT_EQ(readFile(dir.path() / "results.csv"), kEarlierTable) << name;
  }
}

TEST(BadPictures, AnUnwritableTableFailsWithItsOwnStatusAfterTheAnalysis) {
  ScratchDir dir("unwritable");
  const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(smallLeaf(4));
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leaf.image));
  // results.csv is a folder that holds a file: it cannot be replaced, and must survive.
  std::filesystem::create_directory(dir.path() / "results.csv");
  std::ofstream(dir.path() / "results.csv" / "keep.txt") << "kept";
  const ProgramRun run = testing::runProgram(dir.path(), {"leaf.png"});
  EXPECT_EQ(run.status, 3);
  const std::string last = run.stdoutText.substr(run.stdoutText.rfind('\n', run.stdoutText.size() - 2) + 1);
  EXPECT_EQ(last.rfind("Cannot write results.csv", 0), 0u) << last;
  EXPECT_EQ(readFile(dir.path() / "results.csv" / "keep.txt"), "kept");
  for (const auto& name : dir.files()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

// Tooth widths (first column, in mm) of the data rows of a results table.
std::vector<double> toothWidthsMm(const std::string& table) {
  std::vector<double> widths;
  std::istringstream lines(table);
  std::string l;
  std::getline(lines, l);  // header
  while (std::getline(lines, l) && l != "\r") {
    std::string cell = l.substr(l.find(';') + 1);
    cell = cell.substr(0, cell.find(';'));
    std::replace(cell.begin(), cell.end(), ',', '.');
    widths.push_back(std::stod(cell));
  }
  return widths;
}

constexpr double kMmPerPixel = 25.4 / 1200;

TEST(AwkwardPictures, GreySixteenBitAndAlphaPicturesGiveTheTablesOfTheirColourTwins) {
  ScratchDir dir("formats");
  const leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(smallLeaf(4));
  cv::Mat grey, greyColour, deep, alpha;
  cv::cvtColor(leaf.image, grey, cv::COLOR_BGR2GRAY);
  cv::cvtColor(grey, greyColour, cv::COLOR_GRAY2BGR);
  grey.convertTo(deep, CV_16UC1, 257.0);
  cv::cvtColor(leaf.image, alpha, cv::COLOR_BGR2BGRA);
  alpha.setTo(cv::Scalar(0, 0, 0, 90), alpha == 0);  // a transparency that must be ignored
  const std::vector<std::pair<std::string, cv::Mat>> pictures{
      {"colour.png", leaf.image}, {"alpha.png", alpha}, {"grey-as-colour.png", greyColour},
      {"grey.png", grey}, {"deep.png", deep}};
  std::vector<std::string> tables;
  for (const auto& [name, picture] : pictures) {
    ASSERT_TRUE(cv::imwrite((dir.path() / name).string(), picture));
    const ProgramRun run = testing::runProgram(dir.path(), {name});
    ASSERT_EQ(run.status, 0) << name << run.stdoutText;
    tables.push_back(readFile(dir.path() / "results.csv"));
  }
  // Alpha is dropped; grey and 16-bit pictures read as the grey picture in colour.
  EXPECT_EQ(tables[1], tables[0]);
  EXPECT_EQ(tables[3], tables[2]);
  EXPECT_EQ(tables[4], tables[2]);
  const std::vector<double> widths = toothWidthsMm(tables[0]);
  ASSERT_FALSE(widths.empty());
  for (double w : widths) EXPECT_NEAR(w, 90 * kMmPerPixel, 3 * kMmPerPixel);
}

TEST(AwkwardPictures, UntoothedAndSingleToothLeavesCompleteWithAnEmptyTable) {
  for (int teeth : {0, 1}) {
    ScratchDir dir("few");
    ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leafgen::generateLeaf(smallLeaf(teeth)).image));
    const ProgramRun run = testing::runProgram(dir.path(), {"leaf.png"});
    EXPECT_EQ(run.status, 0) << teeth;
    if (teeth == 0) {
      EXPECT_EQ(line(run, "teeth found : "), "teeth found : 0") << run.stdoutText;
    }
    // A lone tip has no pair of sinuses around it that survived: nothing is measured.
    const std::string table = readFile(dir.path() / "results.csv");
    EXPECT_TRUE(toothWidthsMm(table).empty()) << table;
    EXPECT_NE(table.find("Profondeur max :;0,00\r\n"), std::string::npos);
  }
}

TEST(AwkwardPictures, LeafTouchingThreeBordersIsBridgedAcrossTheRemovedStretch) {
  ScratchDir dir("borders");
  leafgen::LeafSpec design = smallLeaf(4);
  leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
  // A lobe on the right runs down to the bottom edge: the leaf touches top, sides and bottom.
  cv::rectangle(leaf.image, {560, 100}, {619, 329}, design.leafColour, cv::FILLED);
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leaf.image));
  const ProgramRun run = testing::runProgram(dir.path(), {"leaf.png"});
  ASSERT_EQ(run.status, 0) << run.stdoutText;
  // The teeth measured are drawn teeth, not the bridge or the lobe.
  const std::vector<double> widths = toothWidthsMm(readFile(dir.path() / "results.csv"));
  ASSERT_FALSE(widths.empty());
  for (double w : widths) EXPECT_NEAR(w, 90 * kMmPerPixel, 3 * kMmPerPixel);
}

TEST(AwkwardPictures, SeveralLargeRegionsTakeTheLaterContour) {
  ScratchDir dir("regions");
  // Two leaves side by side, each well over the area limit, with teeth of different widths.
  leafgen::LeafSpec left = smallLeaf(3), right = smallLeaf(5);
  left.width = 560;
  left.toothWidth = 100;
  right.toothWidth = 70;
  cv::Mat picture(330, 1200, CV_8UC3, cv::Scalar(25, 25, 25));
  leafgen::generateLeaf(left).image.copyTo(picture(cv::Rect(0, 0, 560, 330)));
  leafgen::generateLeaf(right).image.copyTo(picture(cv::Rect(580, 0, 620, 330)));
  ASSERT_TRUE(cv::imwrite((dir.path() / "two.png").string(), picture));
  // Which leaf comes later in the library's contour order decides which one is measured.
  cv::Mat grey, mask;
  cv::cvtColor(picture, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey, mask, 0, 255, cv::THRESH_OTSU);
  std::vector<std::vector<cv::Point>> contours;
  cv::findContours(mask, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  ASSERT_EQ(contours.size(), 2u);
  ASSERT_GT(cv::contourArea(contours[0]), 100000.0);
  ASSERT_GT(cv::contourArea(contours[1]), 100000.0);
  const bool laterIsRight = cv::boundingRect(contours[1]).x > 560;
  const double expectedWidth = (laterIsRight ? right.toothWidth : left.toothWidth) * kMmPerPixel;

  const ProgramRun run = testing::runProgram(dir.path(), {"two.png"});
  ASSERT_EQ(run.status, 0) << run.stdoutText;
  const std::vector<double> widths = toothWidthsMm(readFile(dir.path() / "results.csv"));
  ASSERT_FALSE(widths.empty());
  for (double w : widths) EXPECT_NEAR(w, expectedWidth, 3 * kMmPerPixel);
}

}  // namespace
}  // namespace leafmargin
