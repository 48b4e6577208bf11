// Replays the kept fuzz corpus and every input that once crashed through the fuzz targets' own
// entry functions, so that the normal and the sanitizer builds both run them; and checks that
// the bytes-to-outline conversion gives what the analysis expects of an outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "fuzz_cases.h"
#include "segmentation/leaf_outline.h"
#include "segmentation/segment_leaf.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

using Entry = std::function<std::string(const std::uint8_t*, std::size_t)>;

// Runs every file of the folder; returns how many there were.
std::size_t replayFolder(const fs::path& folder, const Entry& entry) {
  const std::vector<fs::path> files = filesIn(folder);
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string bytes = testing::readFile(file);
    EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "");
  }
  return files.size();
}

const fs::path kFuzzDir = LEAFMARGIN_FUZZ_DIR;

TEST(FuzzRegressions, AnalysisCorpusAndCrashInputsRunClean) {
  EXPECT_GT(replayFolder(kFuzzDir / "corpus" / "analysis", runAnalysisCase), 10u);
  replayFolder(kFuzzDir / "regressions" / "analysis", runAnalysisCase);
}

TEST(FuzzRegressions, DecodeCorpusAndCrashInputsRunClean) {
  EXPECT_GT(replayFolder(kFuzzDir / "corpus" / "decode", runDecodeCase), 10u);
  replayFolder(kFuzzDir / "regressions" / "decode", runDecodeCase);
}

TEST(FuzzRegressions, PictureFileCorpusRunsClean) {
  EXPECT_GT(replayFolder(kFuzzDir / "corpus" / "picture_file", runPictureFileCase), 10u);
  replayFolder(kFuzzDir / "regressions" / "picture_file", runPictureFileCase);
}

// A damaged DICOM file made OpenCV's DICOM decoder abort the whole process; the reader now
// refuses every file that opens like a DICOM file, as an unreadable picture.
TEST(FuzzRegressions, ADamagedDicomFileIsAnUnreadablePictureNotAnAbort) {
  const std::string bytes =
      testing::readFile(kFuzzDir / "regressions" / "decode" / "damaged-dicom-header");
  ASSERT_EQ(bytes.size(), 135u);
  const auto dicom = [](const std::string& b, std::size_t size) {
    return looksLikeDicom(reinterpret_cast<const std::uint8_t*>(b.data()), size);
  };
  EXPECT_TRUE(dicom(bytes, bytes.size()));
  EXPECT_FALSE(dicom(bytes, 131));  // too short to hold the whole magic
  EXPECT_FALSE(dicom(" " + bytes, bytes.size() + 1));

  testing::ScratchDir dir("dicom");
  fs::copy_file(kFuzzDir / "regressions" / "decode" / "damaged-dicom-header",
                dir.path() / "scan.png");
  const testing::ProgramRun run = testing::runProgram(dir.path(), {"scan.png"});
  EXPECT_EQ(run.stdoutText, "opencv version : 4.6\nCannot read the image: scan.png\n");
  EXPECT_EQ(run.status, 255);
}

std::vector<std::uint8_t> header(int width, int height, int x, int y, int mode) {
  std::vector<std::uint8_t> bytes;
  for (int v : {width - 1, height - 1, x, y}) {
    bytes.push_back(static_cast<std::uint8_t>(v & 255));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  bytes.push_back(static_cast<std::uint8_t>(mode));
  return bytes;
}

std::uint8_t run(int direction, int length) {
  return static_cast<std::uint8_t>(direction | (length - 1) << 3);
}

TEST(FuzzInput, BytesGiveADenseOutlineInsideThePictureWithItsSmoothCompanion) {
  // A sawtooth: 7 teeth of 20 steps down-right and 20 up-right, then a run pushed into the
  // right border and a turn back along the bottom of the teeth.
  std::vector<std::uint8_t> bytes = header(300, 120, 5, 40, 0);
  for (int t = 0; t < 7; ++t) {
    bytes.push_back(run(1, 20));
    bytes.push_back(run(7, 20));
  }
  bytes.push_back(run(0, 32));
  bytes.push_back(run(0, 32));
  bytes.push_back(run(2, 8));
  bytes.push_back(run(4, 32));
  const AnalysisCase c = analysisCaseFromBytes(bytes.data(), bytes.size());
  EXPECT_EQ(c.pictureSize, cv::Size(300, 120));
  ASSERT_FALSE(c.leafOutline.empty());
  EXPECT_EQ(c.leafOutline.front(), cv::Point(5, 40));
  // 280 sawtooth steps reach x = 285; the two eastward runs stop at the border x = 299.
  EXPECT_EQ(c.leafOutline[280], cv::Point(285, 40));
  EXPECT_EQ(c.leafOutline[294], cv::Point(299, 40));
  EXPECT_EQ(c.leafOutline.size(), 295u + 8u + 32u);
  EXPECT_EQ(c.leafOutline.back(), cv::Point(267, 48));
  EXPECT_TRUE(isDenseChain(c.leafOutline));
  EXPECT_TRUE(isDenseChain(c.smoothOutline));
  for (const cv::Point& p : c.leafOutline) EXPECT_TRUE(cv::Rect({0, 0}, c.pictureSize).contains(p));
  // The foreground is the region above the outline: the top row is set, below a tip is not.
  EXPECT_EQ(c.foregroundMask.at<uchar>(0, 150), 255);
  EXPECT_EQ(c.foregroundMask.at<uchar>(100, 25), 0);
  EXPECT_EQ(c.foregroundMask.at<uchar>(45, 25), 255);  // inside the first tooth (tip at y 60)
  EXPECT_EQ(runAnalysisCase(bytes.data(), bytes.size()), "");
  // A one-pixel picture gives a single point, which the outline stage never hands on.
  const std::vector<std::uint8_t> tiny = {0, 0, 0, 0, 7, 7, 7, 7, 2, run(3, 32), run(5, 9)};
  EXPECT_EQ(analysisCaseFromBytes(tiny.data(), tiny.size()).leafOutline,
            std::vector<cv::Point>{cv::Point(0, 0)});
  EXPECT_EQ(runAnalysisCase(tiny.data(), tiny.size()), "");
  EXPECT_EQ(runAnalysisCase(nullptr, 0), "");
  EXPECT_EQ(runDecodeCase(nullptr, 0), "");
}

}  // namespace
}  // namespace leafmargin::fuzz
