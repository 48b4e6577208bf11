// The Snakemake workflow run on this machine: one job per picture, then the gathering job, with
// a picture that fails listed in the table instead of stopping the workflow; the settings of
// the configuration reach every run. What the batch writes is checked by the batch's own tests.
// Snakemake takes many seconds to start its jobs: the suite carries the label slow.
#include <gtest/gtest.h>

#include "app/batch_test_support.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runCommand;

TEST(BatchWorkflowSlow, RunsLocallyOnTwoCores) {
  if (runCommand({"snakemake", "--version"}).status != 0) GTEST_SKIP() << "snakemake is not installed";
  testing::ScratchDir dir("batch-snakemake");
  const fs::path in = dir.path() / "scans", out = dir.path() / "results";
  ASSERT_TRUE(testing::writeLeaf(in / "leaf_a.png", testing::smallLeaf(4)));
  ASSERT_TRUE(testing::writeLeaf(in / "leaf_b.png", testing::smallLeaf(5)));
  testing::writeFile(in / "broken.jpg", "this is no picture\n");
  testing::writeFile(in / "notes.txt", "not a picture: never listed\n");
  const std::string bin = fs::path(LEAFMARGIN_BATCH_BINARY).parent_path().string();
  const auto snakemake = [&](const std::vector<std::string>& extra) {
    std::vector<std::string> argv{"snakemake", "--snakefile", LEAFMARGIN_SNAKEFILE, "--directory",
                                  dir.path().string(), "--config", "input=scans", "bin=" + bin};
    argv.insert(argv.end(), extra.begin(), extra.end());
    const testing::ProgramRun run = runCommand(argv, dir.path());
    return std::make_pair(run.status, run.stdoutText + run.stderrText);
  };

  const auto [status, shown] = snakemake({"output=results", "--cores", "2"});
  ASSERT_EQ(status, 0) << shown;
  EXPECT_NE(shown.find("combined.csv: 2 ok, 1 failed"), std::string::npos) << shown;
  EXPECT_EQ(testing::fileNames(out), (std::vector<std::string>{"broken", "combined.csv", "leaf_a", "leaf_b",
                                                              "pictures.csv", "report.html", "teeth.csv"}));
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");
  for (const std::string name : {"leaf_a", "leaf_b"}) {
    EXPECT_EQ(readFile(out / name / "status.txt"), "0\n");
    EXPECT_TRUE(fs::exists(out / name / "teeth_thumb.jpg"));
  }

  // Settings of the configuration reach every run, and "--" keeps a picture a picture.
  const auto [dryStatus, dry] = snakemake({"output=again", "dpi=600", "leaf=dark", "--cores", "1", "-n", "-p"});
  ASSERT_EQ(dryStatus, 0) << dry;
  EXPECT_NE(dry.find(" --threads 1 --dpi 600 --leaf dark --single "), std::string::npos) << dry;
  EXPECT_NE(dry.find(" -- " + (in / "leaf_a.png").string()), std::string::npos) << dry;
}

}  // namespace
}  // namespace leafmargin::batch
