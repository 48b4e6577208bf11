// The checked writes of a run: pictures with the bytes cv::imwrite writes, and a failure naming
// the file, the folder and the reason when a picture cannot be encoded or written.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "run/output_file.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

TEST(OutputFile, PicturesAreWhatImwriteWritesAndFailuresNameTheFile) {
  const testing::ScratchDir dir("output-file");
  const std::string folder = dir.path().string();
  cv::Mat picture(40, 60, CV_8UC3, cv::Scalar(20, 30, 40));
  cv::circle(picture, {30, 20}, 12, cv::Scalar(90, 210, 140), cv::FILLED);
  for (const std::string name : {"a.jpg", "b.bmp", "c.png"}) {
    ASSERT_TRUE(cv::imwrite((dir.path() / ("imwrite-" + name)).string(), picture));
    ASSERT_FALSE(writePicture(folder, name, picture));
    EXPECT_EQ(testing::readFile(dir.path() / name), testing::readFile(dir.path() / ("imwrite-" + name)))
        << name;
    ASSERT_FALSE(writePictureAtomically(folder, "atomic-" + name, picture));
    EXPECT_EQ(testing::readFile(dir.path() / ("atomic-" + name)), testing::readFile(dir.path() / name));
  }

  std::filesystem::create_directory(dir.path() / "taken.jpg");
  // A full disk: the file opens, its bytes do not go.
  std::filesystem::create_symlink("/dev/full", dir.path() / "full.png");
  const struct {
    std::string folder, name;
    cv::Mat image;
    std::string reason;
    bool atomicFailsToo = true;
  } cases[] = {
      {folder, "taken.jpg", picture, "Is a directory"},
      // Replacing the link to the full device succeeds: only the write in place meets it.
      {folder, "full.png", picture, "No space left on device", false},
      {folder + "/missing", "d.jpg", picture, "No such file or directory"},
      {folder, "e.jpg", cv::Mat(), "the picture cannot be encoded"},
      {folder, "f.unknown", picture, "the picture cannot be encoded"},
  };
  for (const auto& c : cases) {
    for (bool atomically : {false, true}) {
      if (atomically && !c.atomicFailsToo) continue;
      const MaybeFailure f = atomically ? writePictureAtomically(c.folder, c.name, c.image)
                                        : writePicture(c.folder, c.name, c.image);
      ASSERT_TRUE(f) << c.name;
      EXPECT_EQ(f->status, kExitNotWritten);
      EXPECT_EQ(f->message, "Cannot write " + c.name + " in " + c.folder + ": " + c.reason);
    }
  }
  EXPECT_EQ(notWrittenFailure("", "bw.jpg", "Permission denied").message,
            "Cannot write bw.jpg in the working directory: Permission denied");
}

}  // namespace
}  // namespace leafmargin
