// The Snakemake workflow run on this machine: one job per picture, then the gathering job, with
// a picture that fails listed in the table instead of stopping the workflow.
#include <gtest/gtest.h>

#include "app/batch_test_support.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using batchtest::lines;
using batchtest::readFile;
using batchtest::runCommand;
using testing::ScratchDir;

bool snakemakeInstalled() { return runCommand({"snakemake", "--version"}).status == 0; }

TEST(BatchWorkflow, RunsLocallyOnTwoCores) {
  if (!snakemakeInstalled()) GTEST_SKIP() << "snakemake is not installed";
  ScratchDir dir("batch-snakemake");
  const fs::path in = dir.path() / "scans";
  batchtest::writeSmallLeaf(in / "leaf_a.png", 4, 1);
  batchtest::writeSmallLeaf(in / "leaf_b.png", 5, 2);
  batchtest::writeFile(in / "broken.jpg", "this is no picture\n");
  batchtest::writeFile(in / "notes.txt", "not a picture: never listed\n");
  const fs::path bin = fs::path(LEAFMARGIN_BATCH_BINARY).parent_path();

  const batchtest::CommandRun run = runCommand(
      {"snakemake", "--snakefile", LEAFMARGIN_SNAKEFILE, "--cores", "2", "--directory",
       dir.path().string(), "--config", "input=scans", "output=results", "bin=" + bin.string()},
      dir.path(), true);
  ASSERT_EQ(run.status, 0) << run.out;

  const fs::path out = dir.path() / "results";
  std::vector<std::string> folders;
  for (const auto& e : fs::directory_iterator(out)) folders.push_back(e.path().filename());
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{"broken", "combined.csv", "leaf_a", "leaf_b",
                                               "pictures.csv", "report.html", "teeth.csv"}));
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");
  for (const std::string name : {"leaf_a", "leaf_b"}) {
    EXPECT_EQ(readFile(out / name / "status.txt"), "0\n");
    EXPECT_TRUE(fs::exists(out / name / "results.csv"));
    EXPECT_TRUE(fs::exists(out / name / "teeth_thumb.jpg"));
    EXPECT_EQ(readFile(out / name / "trace.txt").rfind("opencv version : 4.6\n", 0), 0u);
  }

  // The gathering job wrote the same table as gathering the folders again does.
  const std::string table = readFile(out / "combined.csv");
  EXPECT_NE(table.find("\r\nleaf_a;ok;0;;"), std::string::npos);
  EXPECT_NE(table.find("\r\nleaf_b;ok;0;;"), std::string::npos);
  EXPECT_NE(table.find("\r\nbroken;failed;255;Cannot read the image: " + (in / "broken.jpg").string() + ";"),
            std::string::npos);
  fs::remove(out / "combined.csv");
  EXPECT_EQ(runCommand({LEAFMARGIN_COMBINE_BINARY, out.string()}).status, 1);
  EXPECT_EQ(readFile(out / "combined.csv"), table);
  EXPECT_NE(run.out.find("combined.csv: 2 ok, 1 failed"), std::string::npos) << run.out;

  // Settings of the configuration reach every run, and "--" keeps a picture a picture.
  const batchtest::CommandRun dry = runCommand(
      {"snakemake", "--snakefile", LEAFMARGIN_SNAKEFILE, "--cores", "1", "-n", "-p", "--directory",
       dir.path().string(), "--config", "input=scans", "output=again", "bin=" + bin.string(),
       "dpi=600", "leaf=dark"},
      dir.path(), true);
  ASSERT_EQ(dry.status, 0) << dry.out;
  EXPECT_NE(dry.out.find(" --threads 1 --dpi 600 --leaf dark --single "), std::string::npos) << dry.out;
  EXPECT_NE(dry.out.find(" -- " + (in / "leaf_a.png").string()), std::string::npos) << dry.out;
}

}  // namespace
}  // namespace leafmargin::batch
