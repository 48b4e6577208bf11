// The GrabCut options: the library's GrabCut and the program's own, on any number of threads,
// leave the same trace and the same files; --progress adds one line per iteration on stderr.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(GrabCutChoice, LibraryAndOwnGrabCutWriteTheSameRunAndProgressGoesToStderr) {
  testing::ScratchDir dir("grabcut-choice");
  leafgen::LeafSpec design;
  design.width = 700, design.height = 320, design.teeth = 6, design.toothWidth = 100;
  design.toothHeight = 50, design.marginY = 180, design.noiseSigma = 6.0;
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leafgen::generateLeaf(design).image));
  const testing::ProgramRun library =
      testing::runProgram(dir.path(), {"--grabcut", "opencv", "-o", "library", "leaf.png"});
  const std::string ownRun = "cd " + testing::shellQuote(dir.path().string()) + " && " +
                             testing::shellQuote(LEAFMARGIN_BINARY) +
                             " --progress --threads 3 -o own leaf.png >trace.txt 2>progress.txt";
  ASSERT_EQ(library.status, 0);
  EXPECT_EQ(std::system(ownRun.c_str()), 0);
  EXPECT_EQ(fileText(dir.path() / "trace.txt"), library.stdoutText);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "library")) {
    EXPECT_EQ(fileText(dir.path() / "own" / entry.path().filename()), fileText(entry.path()))
        << entry.path().filename();
    ++files;
  }
  EXPECT_EQ(files, 10);
  std::string expected;
  for (int i = 1; i <= 8; ++i)
    expected += "GrabCut iteration " + std::to_string(i) + "/8 done (700 x 320 pixels)\n";
  EXPECT_EQ(fileText(dir.path() / "progress.txt"), expected);
}

}  // namespace
}  // namespace leafmargin
