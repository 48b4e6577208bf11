// A corpus of bad and awkward pictures, each with the status and trace a user should see, the
// files the run leaves, and the promise that a failed run never touches an earlier results.csv.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "support/read_file.h"
#include "support/run_program.h"
#include "support/small_leaf.h"

namespace leafmargin {
namespace {

using testing::ProgramRun;
using testing::readFile;
using testing::ScratchDir;

const std::string kVersionLine = "opencv version : 4.6\n";
const std::string kEarlierTable = "Dent;earlier table\r\n";

TEST(BadPictures, FailuresSayWhyAndLeaveTheEarlierTableUntouched) {
  ScratchDir dir("bad");
  testing::writeFile(dir.path() / "empty.jpg", "");
  testing::writeFile(dir.path() / "text.jpg", "this is not a picture\n");
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", cv::Mat(64, 64, CV_8UC3, cv::Scalar(10, 200, 30)), jpeg);
  testing::writeFile(dir.path() / "cut.jpg", std::string(jpeg.begin(), jpeg.begin() + 40));
  const auto png = [&](const std::string& name, const cv::Mat& picture) {
    ASSERT_TRUE(cv::imwrite((dir.path() / name).string(), picture));
  };
  png("ten.png", cv::Mat(10, 300, CV_8UC3, cv::Scalar(200, 200, 200)));
  png("eleven.png", cv::Mat(11, 300, CV_8UC3, cv::Scalar(200, 200, 200)));
  png("white.png", cv::Mat(240, 320, CV_8UC3, cv::Scalar(255, 255, 255)));
  png("black.png", cv::Mat(240, 320, CV_8UC3, cv::Scalar(0, 0, 0)));
  cv::Mat tiny(240, 320, CV_8UC3, cv::Scalar(20, 20, 20));
  cv::rectangle(tiny, {0, 0}, {319, 60}, cv::Scalar(120, 220, 140), cv::FILLED);  // 19520 px
  png("tiny-leaf.png", tiny);
  std::filesystem::create_directories(dir.path() / "folder.png");

  const std::string noLeaf = kVersionLine + "aa\nbb\ncc\ndd\nee\nff\n"
                             "Erreur à getAllPointsOfContour : contour.size()=0\n";
  const std::vector<std::string> none, segmented{"bw.jpg", "drawing2.jpg", "grabcut.jpg", "gray.bmp"};
  const struct {
    std::string picture;
    int status;
    std::string trace;
    std::vector<std::string> written;
    std::string unreadable = "";  // why, on stderr, for status 255
  } cases[] = {
      {"missing.png", 255, "", none, "no such file"},
      {"no such dir/leaf name.png", 255, "", none, "no such file"},
      {"folder.png", 255, "", none, "a folder"},
      {"empty.jpg", 255, "", none, "an empty file"},
      {"text.jpg", 255, "", none, "not a picture format OpenCV reads"},
      {"cut.jpg", 255, "", none, "not a picture format OpenCV reads"},
      {"ten.png", 2, kVersionLine + "The image is too small: ten.png has 10 rows, at least 11 are needed\n", none},
      {"eleven.png", 1, noLeaf, segmented},  // a single grey level: no leaf region
      {"white.png", 1, noLeaf, segmented},
      {"black.png", 1, noLeaf, segmented},
      {"tiny-leaf.png", 1, noLeaf, segmented},  // a leaf too small to qualify
  };
  for (const auto& c : cases) {
    testing::writeFile(dir.path() / "results.csv", kEarlierTable);
    std::vector<std::string> expected = dir.files();
    expected.insert(expected.end(), c.written.begin(), c.written.end());
    std::sort(expected.begin(), expected.end());
    const ProgramRun run = testing::runProgram(dir.path(), {c.picture});
    EXPECT_EQ(run.status, c.status) << c.picture;
    EXPECT_EQ(run.stdoutText,
              c.status == 255 ? kVersionLine + "Cannot read the image: " + c.picture + "\n" : c.trace);
    if (c.status == 255) {  // one line on stderr says why, and OpenCV adds none of its own
      EXPECT_EQ(run.stderrText, "leaf-margin: cannot read " + c.picture + ": " + c.unreadable + "\n");
    }
    EXPECT_EQ(readFile(dir.path() / "results.csv"), kEarlierTable) << c.picture;
    EXPECT_EQ(dir.files(), expected) << c.picture;
    for (const std::string& name : c.written) std::filesystem::remove(dir.path() / name);
  }
}

// Tooth widths (first column, in mm) of the data rows of a results table.
std::vector<double> toothWidthsMm(const std::string& table) {
  std::vector<double> widths;
  const auto rows = testing::tableCells(table, ';');
  for (std::size_t r = 1; r < rows.size() && !rows[r].empty(); ++r)
    widths.push_back(testing::cellNumber(rows[r][1]));
  return widths;
}

TEST(AwkwardPictures, LeafTouchingThreeBordersIsBridgedAcrossTheRemovedStretch) {
  ScratchDir dir("borders");
  leafgen::LeafSpec design = testing::smallLeaf(4, 50);
  design.width = 620, design.height = 330, design.marginY = 190, design.toothWidth = 90;
  design.shape = leafgen::ToothShape::Saw;
  leafgen::GeneratedLeaf leaf = leafgen::generateLeaf(design);
  // A lobe on the right runs down to the bottom edge: the leaf touches top, sides and bottom.
  cv::rectangle(leaf.image, {560, 100}, {619, 329}, design.leafColour, cv::FILLED);
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leaf.image));
  const ProgramRun run = testing::runProgram(dir.path(), {"leaf.png"});
  ASSERT_EQ(run.status, 0) << run.stdoutText;
  // The teeth measured are drawn teeth, not the bridge or the lobe.
  const std::vector<double> widths = toothWidthsMm(readFile(dir.path() / "results.csv"));
  ASSERT_FALSE(widths.empty());
  for (double w : widths) EXPECT_NEAR(w, design.toothWidth * 25.4 / 1200, 3 * 25.4 / 1200);
}

}  // namespace
}  // namespace leafmargin
