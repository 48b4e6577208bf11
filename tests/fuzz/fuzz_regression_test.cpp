// Replays the kept fuzz corpus and every input that once crashed through the fuzz targets' own
// entry functions, so that the normal and the sanitizer builds both run them; and checks that
// the bytes-to-outline conversion gives what the analysis expects of an outline.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "fuzz_cases.h"
#include "picture/picture_file.h"
#include "segmentation/segment_leaf.h"
#include "support/read_file.h"

namespace leafmargin::fuzz {
namespace {

namespace fs = std::filesystem;
using Entry = std::function<std::string(const std::uint8_t*, std::size_t)>;

const fs::path kFuzzDir = LEAFMARGIN_FUZZ_DIR;

// Runs every file of the folder; returns how many there were.
std::size_t replayFolder(const fs::path& folder, const Entry& entry) {
  std::size_t files = 0;
  for (const auto& file : fs::directory_iterator(folder)) {
    SCOPED_TRACE(file.path().string());
    const std::string bytes = testing::readFile(file.path());
    EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "");
    ++files;
  }
  return files;
}

TEST(FuzzRegressions, CorpusAndCrashInputsOfEveryTargetRunClean) {
  const std::pair<const char*, Entry> targets[] = {
      {"analysis", runAnalysisCase}, {"decode", runDecodeCase}, {"picture_file", runPictureFileCase}};
  for (const auto& [name, entry] : targets) {
    EXPECT_GT(replayFolder(kFuzzDir / "corpus" / name, entry), 10u) << name;
    if (fs::is_directory(kFuzzDir / "regressions" / name)) replayFolder(kFuzzDir / "regressions" / name, entry);
  }
  EXPECT_EQ(runAnalysisCase(nullptr, 0), "");
  EXPECT_EQ(runDecodeCase(nullptr, 0), "");
}

// A damaged DICOM file made OpenCV's DICOM decoder abort the whole process; the reader now
// refuses every file that opens like a DICOM file, as an unreadable picture.
TEST(FuzzRegressions, ADamagedDicomFileIsAnUnreadablePictureNotAnAbort) {
  const fs::path damaged = kFuzzDir / "regressions" / "decode" / "damaged-dicom-header";
  const std::string bytes = testing::readFile(damaged);
  ASSERT_EQ(bytes.size(), 135u);
  const auto dicom = [](const std::string& b, std::size_t size) {
    return looksLikeDicom(reinterpret_cast<const std::uint8_t*>(b.data()), size);
  };
  EXPECT_TRUE(dicom(bytes, bytes.size()));
  EXPECT_FALSE(dicom(bytes, 131));  // too short to hold the whole magic
  EXPECT_FALSE(dicom(" " + bytes, bytes.size() + 1));
  EXPECT_TRUE(readLeafPicture(damaged.string()).empty());
}

std::uint8_t run(int direction, int length) {
  return static_cast<std::uint8_t>(direction | (length - 1) << 3);
}

TEST(FuzzInput, BytesGiveADenseOutlineInsideThePictureWithItsSmoothCompanion) {
  // A 300 x 120 picture, the outline from (5, 40): a sawtooth of 7 teeth of 20 steps down-right
  // and 20 up-right (to x = 285), then a run pushed into the right border and a turn back.
  std::vector<std::uint8_t> bytes = {43, 1, 119, 0, 5, 0, 40, 0, 0};
  for (int t = 0; t < 7; ++t) bytes.insert(bytes.end(), {run(1, 20), run(7, 20)});
  bytes.insert(bytes.end(), {run(0, 32), run(2, 8), run(4, 32)});
  const AnalysisCase c = analysisCaseFromBytes(bytes.data(), bytes.size());
  EXPECT_EQ(c.pictureSize, cv::Size(300, 120));
  ASSERT_EQ(c.leafOutline.size(), 295u + 8u + 32u);
  EXPECT_EQ(c.leafOutline[294], cv::Point(299, 40));
  EXPECT_EQ(c.leafOutline.back(), cv::Point(267, 48));
  EXPECT_TRUE(isDenseChain(c.leafOutline) && isDenseChain(c.smoothOutline));
  // The foreground is the region above the outline: the top row is set, below a tip is not.
  EXPECT_EQ(c.foregroundMask.at<uchar>(0, 150), 255);
  EXPECT_EQ(c.foregroundMask.at<uchar>(100, 25), 0);
  EXPECT_EQ(runAnalysisCase(bytes.data(), bytes.size()), "");
  // A one-pixel picture gives a single point, which the outline stage never hands on.
  const std::vector<std::uint8_t> tiny = {0, 0, 0, 0, 7, 7, 7, 7, 2, run(3, 32), run(5, 9)};
  EXPECT_EQ(analysisCaseFromBytes(tiny.data(), tiny.size()).leafOutline, std::vector<cv::Point>(1, {0, 0}));
}

}  // namespace
}  // namespace leafmargin::fuzz
