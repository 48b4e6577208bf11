// What a user sees when the picture is unusable: the exact trace, the exit status, and which
// files exist afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::runProgram;
using testing::ScratchDir;

const std::string kVersionLine = "opencv version : 4.6\n";

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(UnreadablePicture, PrintsOneMessageReturnsMinusOneAndWritesNothing) {
  ScratchDir dir("unreadable");
  writeBytes(dir.path() / "empty.jpg", "");
  writeBytes(dir.path() / "notes.jpg", "this is not a picture\n");
  {
    cv::Mat picture(64, 64, CV_8UC3, cv::Scalar(10, 200, 30));
    std::vector<uchar> jpeg;
    cv::imencode(".jpg", picture, jpeg);
    writeBytes(dir.path() / "truncated.jpg", std::string(jpeg.begin(), jpeg.begin() + 40));
  }
  const std::vector<std::string> before = dir.files();
  for (const std::string path : {"missing.jpg", "empty.jpg", "notes.jpg", "truncated.jpg",
                                 "no such dir/leaf name.png"}) {
    const testing::ProgramRun run = runProgram(dir.path(), {path});
    EXPECT_EQ(run.stdoutText, kVersionLine + "Cannot read the image: " + path + "\n");
    EXPECT_EQ(run.status, 255) << path;
  }
  EXPECT_EQ(dir.files(), before);
}

TEST(UnreadablePicture, DefaultNameIsLeafletAndExtraArgumentsAreIgnored) {
  ScratchDir dir("default");
  EXPECT_EQ(runProgram(dir.path(), {}).stdoutText,
            kVersionLine + "Cannot read the image: leaflet.jpg\n");
  const testing::ProgramRun run = runProgram(dir.path(), {"first.png", "second.png"});
  EXPECT_EQ(run.stdoutText, kVersionLine + "Cannot read the image: first.png\n");
  EXPECT_TRUE(dir.files().empty());
}

TEST(TooSmallPicture, FewerThanElevenRowsStopsBeforeAnyFile) {
  ScratchDir dir("small");
  ASSERT_TRUE(cv::imwrite((dir.path() / "eight.png").string(), cv::Mat(8, 300, CV_8UC3, cv::Scalar(200, 200, 200))));
  const testing::ProgramRun run = runProgram(dir.path(), {"eight.png"});
  EXPECT_EQ(run.stdoutText,
            kVersionLine + "The image is too small: eight.png has 8 rows, at least 11 are needed\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"eight.png"});
}

TEST(NoLeafRegion, TraceEndsWithTheDensificationErrorAndStatusOne) {
  ScratchDir dir("noleaf");
  // A bright blob far below the area limit on a dark picture.
  cv::Mat picture(220, 320, CV_8UC3, cv::Scalar(20, 20, 20));
  cv::circle(picture, {160, 110}, 40, cv::Scalar(120, 220, 140), cv::FILLED);
  ASSERT_TRUE(cv::imwrite((dir.path() / "blob.png").string(), picture));
  const testing::ProgramRun run = runProgram(dir.path(), {"blob.png"});
  EXPECT_EQ(run.stdoutText, kVersionLine +
                                "aa\nbb\ncc\ndd\nee\nff\n"
                                "Erreur à getAllPointsOfContour : contour.size()=0\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(dir.files(), (std::vector<std::string>{"blob.png", "bw.jpg", "drawing2.jpg",
                                                   "grabcut.jpg", "gray.bmp"}));
}

}  // namespace
}  // namespace leafmargin
