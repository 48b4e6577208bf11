// Running pictures: stand-in programs check the mechanics (working folder, captured output,
// status, crashes, programs that cannot start, leftovers of earlier runs, the limit of runs at
// once), then the batch program itself runs the real leaf-margin on small pictures.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "app/batch_test_support.h"
#include "batch/batch_report.h"
#include "batch/batch_run.h"
#include "batch/combined_table.h"
#include "batch/picture_run.h"
#include "segmentation/parallel_blocks.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using batchtest::lines;
using batchtest::readFile;
using batchtest::runCommand;
using batchtest::writeFile;
using batchtest::writeScript;
using testing::ScratchDir;

// Skips the options before "--" (saving the whole command line), leaving the picture in $1.
const char* const kSkipOptions =
    "echo \"$*\" > \"$(pwd)/arguments.txt\"\n"
    "while [ $# -gt 0 ] && [ \"$1\" != -- ]; do shift; done; shift\n";

// Behaves by the picture's name: copies a hand-written results.csv, crashes, stays silent...
const std::string kStandIn = std::string(kSkipOptions) +
    "case \"$1\" in\n"
    "  *crash*) echo 'about to crash'; kill -SEGV $$ ;;\n"
    "  *silent*) exit 4 ;;\n"
    "  *)\n"
    "    read -r first || first=none\n"
    "    echo \"stdin: $first\"\n"
    "    echo 'a warning' >&2\n"
    "    pwd > where.txt\n"
    "    cp \"$1\" results.csv\n"
    "    echo \"done $1\" ;;\n"
    "esac\n";

TEST(BatchRunPicture, RunsInTheFolderWithOutputCapturedAndStatusRecorded) {
  ScratchDir dir("batch-one");
  writeScript(dir.path() / "fake", kStandIn);
  writeFile(dir.path() / "leaf.png", batchtest::twoToothResults());
  const fs::path folder = dir.path() / "out" / "leaf";

  const PictureOutcome outcome = runPicture({(dir.path() / "fake").string(), {"--dpi", "600"}},
                                            dir.path() / "leaf.png", folder, "leaf");
  EXPECT_EQ(describeOutcome(outcome), "leaf: ok, 2 teeth");
  EXPECT_EQ(readFile(folder / "arguments.txt"),
            "--tidy --dpi 600 -- " + (dir.path() / "leaf.png").string() + "\n");
  EXPECT_EQ(readFile(folder / "where.txt"), folder.string() + "\n");
  EXPECT_EQ(readFile(folder / "trace.txt"),
            "stdin: none\ndone " + (dir.path() / "leaf.png").string() + "\n");
  EXPECT_EQ(readFile(folder / "stderr.txt"), "a warning\n");
  EXPECT_EQ(readFile(folder / "status.txt"), "0\n");
}

TEST(BatchRunPicture, CrashesSilentFailuresAndUnstartablePrograms) {
  ScratchDir dir("batch-bad");
  writeScript(dir.path() / "fake", kStandIn);
  const ProgramCall fake{(dir.path() / "fake").string(), {}};

  PictureOutcome crash = runPicture(fake, dir.path() / "crash.png", dir.path() / "crash", "crash");
  EXPECT_EQ(describeOutcome(crash), "crash: failed (signal 11): killed by signal 11 (Segmentation fault)");
  EXPECT_EQ(readFile(dir.path() / "crash" / "trace.txt"), "about to crash\n");
  EXPECT_NE(pictureTableRow(tidyPicture(crash, dir.path() / "crash"))
                .find(",failed,NA,killed by signal 11 (Segmentation fault),NA,"),
            std::string::npos);

  PictureOutcome silent = runPicture(fake, dir.path() / "silent.png", dir.path() / "silent", "silent");
  EXPECT_EQ(describeOutcome(silent), "silent: failed (status 4): the run printed nothing");
  EXPECT_FALSE(fs::exists(dir.path() / "silent" / "stderr.txt"));  // empty: removed

  writeFile(dir.path() / "not-executable", "#!/bin/sh\n");
  for (const std::string& program : {(dir.path() / "not-executable").string(),
                                    (dir.path() / "no-such-program").string()}) {
    PictureOutcome none = runPicture({program, {}}, dir.path() / "x.png", dir.path() / "x", "x");
    EXPECT_EQ(none.status, "127");
    EXPECT_EQ(none.message.rfind("Cannot run " + program + ": ", 0), 0u) << none.message;
    EXPECT_EQ(readFile(dir.path() / "x" / "trace.txt"), none.message + "\n");
  }
}

TEST(BatchRunPicture, LeftoversOfAnEarlierRunAreClearedOtherFilesKept) {
  ScratchDir dir("batch-stale");
  writeScript(dir.path() / "fake", kStandIn);
  const fs::path folder = dir.path() / "silent";
  for (const std::string name : {"results.csv", "status.txt", "drawing4.jpg", "stderr.txt"}) {
    writeFile(folder / name, name == "results.csv" ? batchtest::twoToothResults() : "0\n");
  }
  writeFile(folder / "notes.txt", "mine");

  const PictureOutcome outcome =
      runPicture({(dir.path() / "fake").string(), {}}, dir.path() / "silent.png", folder, "silent");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(readFile(folder / "status.txt"), "4\n");
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(folder)) files.insert(e.path().filename());
  EXPECT_EQ(files, (std::set<std::string>{"arguments.txt", "notes.txt", "picture_path.txt",
                                          "status.txt", "trace.txt"}));
}

TEST(BatchRunMany, NeverMoreRunsAtOnceThanJobsAndFailuresDoNotStopTheOthers) {
  ScratchDir dir("batch-jobs");
  const fs::path meeting = dir.path() / "meeting";
  fs::create_directories(meeting);
  // Each run waits (up to 3 s) until another one is in progress, then reports the most runs it
  // saw at once; a picture named "fail..." then fails.
  writeScript(dir.path() / "fake",
              std::string(kSkipOptions) + "here=$(pwd)\n"
              "cd '" + meeting.string() + "' || exit 9\n"
              "touch run.$$\n"
              "most=0; i=0\n"
              "while [ $i -lt 60 ]; do\n"
              "  n=$(ls | wc -l); [ $n -gt $most ] && most=$n; [ $n -ge 2 ] && break\n"
              "  sleep 0.05; i=$((i+1))\n"
              "done\n"
              "sleep 0.2; n=$(ls | wc -l); [ $n -gt $most ] && most=$n\n"
              "rm run.$$\n"
              "echo \"most $most\"\n"
              "case \"$1\" in *fail*) echo 'gave up'; exit 1 ;; esac\n"
              "cp \"$1\" \"$here/results.csv\"\n");
  std::vector<PictureJob> jobs;
  for (const std::string name : {"p1", "fail2", "p3", "p4", "fail5"}) {
    writeFile(dir.path() / (name + ".png"), batchtest::noToothResults());
    jobs.push_back({name, dir.path() / (name + ".png")});
  }
  BatchOptions options;
  options.call.program = (dir.path() / "fake").string();
  options.outdir = dir.path() / "out";
  options.jobs = 2;
  std::ostringstream progress;
  const BatchResult result = runBatch(jobs, options, progress);

  // Two runs at a time share the cores.
  const std::string threads = std::to_string(std::max(1, availableCores() / 2));
  int sawTwo = 0;
  for (const PictureJob& job : jobs) {
    EXPECT_EQ(readFile(options.outdir / job.name / "arguments.txt").rfind("--tidy --threads " + threads + " -- ", 0), 0u);
    const std::string most = lines(readFile(options.outdir / job.name / "trace.txt")).at(0);
    EXPECT_TRUE(most == "most 1" || most == "most 2") << job.name << ": " << most;
    sawTwo += most == "most 2";
  }
  EXPECT_GE(sawTwo, 2);

  EXPECT_EQ(result.failed, 2);
  ASSERT_EQ(result.outcomes.size(), 5u);
  for (std::size_t i = 0; i < jobs.size(); ++i) EXPECT_EQ(result.outcomes[i].name, jobs[i].name);
  const std::vector<std::string> shown = lines(progress.str());
  ASSERT_EQ(shown.size(), 5u);
  std::set<std::string> described;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::string counter = "[" + std::to_string(i + 1) + "/5] ";
    ASSERT_EQ(shown[i].rfind(counter, 0), 0u) << shown[i];
    described.insert(shown[i].substr(counter.size()));
  }
  EXPECT_EQ(described, (std::set<std::string>{"p1: ok, 0 teeth", "p3: ok, 0 teeth", "p4: ok, 0 teeth",
                                              "fail2: failed (status 1): gave up",
                                              "fail5: failed (status 1): gave up"}));
  EXPECT_TRUE(result.tableWritten);
  EXPECT_EQ(readFile(options.outdir / "combined.csv"), composeCombinedTable(result.outcomes));
}

// The batch program on two small generated leaves and one file that is no picture.
TEST(BatchProgram, EndToEndOnSmallPictures) {
  ScratchDir dir("batch-e2e");
  const fs::path in = dir.path() / "in";
  batchtest::writeSmallLeaf(in / "leaf_a.png", 4, 1);
  batchtest::writeSmallLeaf(in / "leaf_b.png", 5, 2);
  writeFile(in / "broken.jpg", "this is no picture\n");
  const fs::path out = dir.path() / "out";

  const batchtest::CommandRun run = runCommand(
      {LEAFMARGIN_BATCH_BINARY, "--jobs", "2", "--program", LEAFMARGIN_BINARY, out.string(),
       (in / "broken.jpg").string(), (in / "leaf_a.png").string(), (in / "leaf_b.png").string()});
  EXPECT_EQ(run.status, 1);

  const std::vector<std::string> shown = lines(run.out);
  ASSERT_EQ(shown.size(), 4u) << run.out;
  std::set<std::string> described;
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string counter = "[" + std::to_string(i + 1) + "/3] ";
    ASSERT_EQ(shown[i].rfind(counter, 0), 0u) << shown[i];
    described.insert(shown[i].substr(counter.size()));
  }
  EXPECT_EQ(shown[3], (out / "combined.csv").string() + ": 2 ok, 1 failed");

  const std::string brokenLine =
      "broken: failed (status 255): Cannot read the image: " + (in / "broken.jpg").string();
  EXPECT_EQ(described.count(brokenLine), 1u) << run.out;
  EXPECT_EQ(readFile(out / "broken" / "status.txt"), "255\n");
  EXPECT_EQ(readFile(out / "broken" / "trace.txt"),
            "opencv version : 4.6\nCannot read the image: " + (in / "broken.jpg").string() + "\n");

  const std::string combined = readFile(out / "combined.csv");
  EXPECT_EQ(combined.rfind("Image;Dent;\"largeur dents (mm)\";", 0), 0u);
  for (const std::string name : {"leaf_a", "leaf_b"}) {
    const fs::path folder = out / name;
    EXPECT_EQ(readFile(folder / "status.txt"), "0\n") << readFile(folder / "trace.txt");
    EXPECT_EQ(readFile(folder / "trace.txt").rfind("opencv version : 4.6\n", 0), 0u);
    for (const char* image : {"gray.bmp", "bw.jpg", "grabcut.jpg", "drawing3.jpg", "drawing4.jpg"}) {
      EXPECT_TRUE(fs::exists(folder / image)) << name << "/" << image;
    }
    // Every tooth row of the picture's own table appears in combined.csv behind its name.
    const std::vector<std::string> own = lines(readFile(folder / "results.csv"));
    std::size_t teeth = 0;
    for (std::size_t i = 1; i < own.size() && own[i] != "\r"; ++i, ++teeth) {
      EXPECT_NE(combined.find("\n" + name + ";" + own[i] + "\n"), std::string::npos) << own[i];
    }
    EXPECT_EQ(described.count(name + ": ok, " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth")), 1u)
        << run.out;
    EXPECT_NE(combined.find("\r\n" + name + ";ok;0;;" + std::to_string(teeth) + ";"), std::string::npos);
  }
  EXPECT_NE(combined.find("\r\nbroken;failed;255;Cannot read the image: " + (in / "broken.jpg").string() +
                          ";" + std::string(52, ';') + "\r\n"),
            std::string::npos);

  // Gathering the same folders again gives the same table (the pictures were given in name order).
  fs::remove(out / "combined.csv");
  const batchtest::CommandRun combine = runCommand({LEAFMARGIN_COMBINE_BINARY, out.string()});
  EXPECT_EQ(combine.status, 1);
  EXPECT_EQ(readFile(out / "combined.csv"), combined);
  EXPECT_EQ(lines(combine.out).size(), 4u) << combine.out;
}

TEST(BatchProgram, UsageErrorsStopBeforeAnyRun) {
  ScratchDir dir("batch-usage");
  const std::string out = (dir.path() / "out").string();
  const std::string picture = (dir.path() / "leaf.png").string();
  const std::vector<std::vector<std::string>> wrong = {
      {LEAFMARGIN_BATCH_BINARY},
      {LEAFMARGIN_BATCH_BINARY, out},
      {LEAFMARGIN_BATCH_BINARY, "--jobs", "0", out, picture},
      {LEAFMARGIN_BATCH_BINARY, "--frobnicate", out, picture},
      {LEAFMARGIN_BATCH_BINARY, "--dpi", "0", out, picture},  // leaf-margin's own rules
      {LEAFMARGIN_BATCH_BINARY, "--leaf", "green", "--single", out, picture},
      {LEAFMARGIN_BATCH_BINARY, "--program", (dir.path() / "none").string(), out, picture},
      {LEAFMARGIN_BATCH_BINARY, out, (dir.path()).string()},  // a folder without pictures
      {LEAFMARGIN_COMBINE_BINARY},
      {LEAFMARGIN_COMBINE_BINARY, out},
  };
  for (const auto& argv : wrong) {
    EXPECT_EQ(runCommand(argv).status, 2) << argv.size() << " " << argv.back();
  }
  EXPECT_FALSE(fs::exists(out));

  const batchtest::CommandRun listed =
      runCommand({LEAFMARGIN_BATCH_BINARY, "--list", "/a/leaf.jpg", "/b/leaf.jpg"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, "leaf\t/a/leaf.jpg\nleaf_2\t/b/leaf.jpg\n");
}

}  // namespace
}  // namespace leafmargin::batch
