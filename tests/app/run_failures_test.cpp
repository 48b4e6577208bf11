// Runs that cannot finish as asked end with their documented status and one line saying why,
// never with status 0 or an abort: a file of the run that cannot be written (here a folder
// stands where the file should go) stops the run at that file, and an allocation that fails
// after the memory guard let the run start ends like the guard's own refusal.
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "support/read_file.h"
#include "support/run_program.h"
#include "support/small_leaf.h"

namespace leafmargin {
namespace {

using testing::ProgramRun;
using testing::ScratchDir;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

TEST(RunFailures, AFileThatCannotBeWrittenStopsTheRunThereWithStatus3) {
  const std::vector<std::string> segmented{"bw.jpg", "drawing2.jpg", "drawing3.jpg", "grabcut.jpg",
                                           "gray.bmp", "leaf.png"};
  auto with = [&segmented](std::vector<std::string> more) {
    more.insert(more.end(), segmented.begin(), segmented.end());
    std::sort(more.begin(), more.end());
    return more;
  };
  const struct Case {
    std::string blocked;
    std::vector<std::string> options;
    std::vector<std::string> files;  // what the working directory holds afterwards
    std::string notPrinted;          // a line the trace would hold had the run gone on
  } cases[] = {
      {"bw.jpg", {}, {"bw.jpg", "gray.bmp", "leaf.png"}, "aa"},
      // The first of its two writes: the measurement never starts.
      {"drawing4.jpg", {}, with({"drawing4.jpg"}), "yyyy"},
      // Written during the symmetry of the second tooth, between its two passes' lines.
      {"gauche.jpg", {}, with({"drawing4.jpg", "drawing77.jpg", "gauche.jpg"}), ""},
      {"teeth.png", {"--tidy"},
       with({"droite.jpg", "drawing4.jpg", "drawing77.jpg", "gauche.jpg", "picture.csv",
             "results.csv", "teeth.csv", "teeth.png"}),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    const ScratchDir dir("unwritable");
    ASSERT_TRUE(testing::writeLeaf(dir.path() / "leaf.png"));
    std::filesystem::create_directory(dir.path() / c.blocked);
    std::vector<std::string> args = c.options;
    args.push_back("leaf.png");
    const ProgramRun run = testing::runProgram(dir.path(), args);
    const std::string message =
        "Cannot write " + c.blocked + " in the working directory: Is a directory";
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(dir.files(), c.files);
    const std::vector<std::string> trace = lines(run.stdoutText);
    ASSERT_FALSE(trace.empty());
    if (c.options.empty()) {
      // As results.csv's failure: the last line of the trace, nothing on standard error.
      EXPECT_EQ(trace.back(), message);
      EXPECT_EQ(run.stderrText, "");
    } else {
      // The tidy outputs report on standard error, as they always did.
      EXPECT_EQ(run.stderrText, "leaf-margin: " + message + "\n");
    }
    if (!c.notPrinted.empty()) {
      EXPECT_EQ(std::count(trace.begin(), trace.end(), c.notPrinted), 0) << run.stdoutText;
    }
    if (c.blocked == "gauche.jpg") {
      const auto passLines = std::count_if(trace.begin(), trace.end(), [](const std::string& l) {
        return l.rfind("enPlusAGauche", 0) == 0;
      });
      EXPECT_EQ(passLines, 1) << run.stdoutText;  // pass 1's line, not pass 2's
    }
  }
}


TEST(RunFailures, AnAllocationFailingPastTheMemoryGuardEndsWithTheMemoryStatus) {
  if (testing::kAddressSanitizer) GTEST_SKIP() << "a data-size limit cannot be combined with AddressSanitizer";
  const ScratchDir dir("allocation");
  // The guard, which reads the memory available and the address-space limit, lets the run of
  // a megapixel start; the data-size limit (ulimit -d, which the guard does not read) then
  // stops GrabCut's first large allocation, with the default threads and with one. OpenCV's
  // own thread pool stays at one thread, so that its thread stacks (data too) never meet the
  // limit on a machine with many cores.
  cv::Mat picture(1000, 1000, CV_8UC3, cv::Scalar(20, 20, 20));
  picture.rowRange(0, 600).setTo(cv::Scalar(110, 210, 140));
  ASSERT_TRUE(cv::imwrite((dir.path() / "big.png").string(), picture));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"big.png"}, std::vector<std::string>{"--threads", "1", "big.png"}}) {
    const ProgramRun run = testing::runProgram(dir.path(), args, "ulimit -d 60000; export OPENCV_FOR_THREADS_NUM=1; ");
    EXPECT_EQ(run.status, 4) << run.stderrText;
    const std::vector<std::string> trace = lines(run.stdoutText);
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[trace.size() - 2], "bb");
    EXPECT_EQ(trace.back(), "Not enough memory to analyse big.png: an allocation failed");
    EXPECT_EQ(run.stderrText, "");
  }
}

}  // namespace
}  // namespace leafmargin
