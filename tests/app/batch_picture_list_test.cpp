// Which pictures a batch takes from its arguments and the folder name each one gets.
#include <gtest/gtest.h>

#include "app/batch_test_support.h"
#include "batch/picture_list.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

std::vector<std::string> namesOf(const std::vector<std::string>& paths) {
  std::vector<fs::path> pictures(paths.begin(), paths.end());
  std::vector<std::string> names;
  for (const PictureJob& job : namePictures(pictures)) names.push_back(job.name);
  return names;
}

TEST(BatchPictureNames, EqualStemsGetNumberedAndEveryNameIsOneSafeFolderBesideTheTable) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(namesOf({"/a/leaf.jpg", "/b/leaf.png", "/c/leaf.jpg", "/d/oak.tif"}),
            (Names{"leaf", "leaf_2", "leaf_3", "oak"}));
  // leaf_2 is a picture of its own: the second "leaf" skips to leaf_3.
  EXPECT_EQ(namesOf({"/a/leaf.jpg", "/b/leaf.jpg", "/c/leaf_2.jpg"}), (Names{"leaf", "leaf_3", "leaf_2"}));
  // The same picture twice is analysed twice, in two folders.
  EXPECT_EQ(namesOf({"/a/leaf.jpg", "/a/leaf.jpg"}), (Names{"leaf", "leaf_2"}));
  EXPECT_EQ(namesOf({"/a/..", "/b/.jpg", "/c/tab\there.png", "/d/combined.csv.png", "/e/line\nend.jpg", "/f/."}),
            (Names{"picture", ".jpg", "tab_here", "combined.csv_2", "line_end", "picture_2"}));
}

TEST(BatchPictureArguments, FoldersGiveTheirPicturesInNameOrderOtherPathsAreKept) {
  ScratchDir dir("batch-list");
  const fs::path in = dir.path() / "in";
  for (const char* name : {"b.JPG", "a.png", "c.tiff", "notes.txt", ".hidden.jpg", "results.csv"}) {
    testing::writeFile(in / name, "x");
  }
  fs::create_directories(in / "sub.jpg");  // a folder, even with a picture's name, is skipped
  testing::writeFile(in / "sub.jpg" / "deep.jpg", "x");

  std::vector<fs::path> pictures;
  std::string error;
  ASSERT_TRUE(expandPictureArguments({(dir.path() / "missing.jpg").string(), in.string(),
                                      (in / "notes.txt").string()},
                                     pictures, error));
  EXPECT_EQ(pictures, (std::vector<fs::path>{dir.path() / "missing.jpg", in / "a.png", in / "b.JPG",
                                             in / "c.tiff", in / "notes.txt"}));

  // Relative arguments become absolute, since each run works in its own folder.
  pictures.clear();
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  ASSERT_TRUE(expandPictureArguments({"in/./a.png"}, pictures, error));
  fs::current_path(before);
  EXPECT_EQ(pictures, std::vector<fs::path>{in / "a.png"});
}

}  // namespace
}  // namespace leafmargin::batch
