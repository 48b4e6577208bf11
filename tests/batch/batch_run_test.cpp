// Which pictures a batch takes from its arguments and the folder name each gets; running them
// with stand-in programs: the working folder, the captured output, the status, crashes, programs
// that cannot start, leftovers of earlier runs, the limit of runs at once.
#include <gtest/gtest.h>

#include <set>

#include "batch/batch_test_support.h"
#include "batch/run/batch_run.h"
#include "batch/run/picture_list.h"
#include "batch/run/picture_run.h"
#include "batch/tables/batch_report.h"
#include "batch/tables/combined_table.h"
#include "resources/parallel_blocks.h"

namespace leafmargin::batch {
namespace {

namespace fs = std::filesystem;
using batchtest::lines;
using testing::readFile;
using testing::ScratchDir;
using testing::writeFile;

void writeScript(const fs::path& path, const std::string& body) {
  writeFile(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

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

TEST(BatchRunPicture, CrashesSilentFailuresLeftoversAndUnstartablePrograms) {
  ScratchDir dir("batch-bad");
  writeScript(dir.path() / "fake", kStandIn);
  const ProgramCall fake{(dir.path() / "fake").string(), {}};

  PictureOutcome crash = runPicture(fake, dir.path() / "crash.png", dir.path() / "crash", "crash");
  EXPECT_EQ(describeOutcome(crash), "crash: failed (signal 11): killed by signal 11 (Segmentation fault)");
  EXPECT_EQ(readFile(dir.path() / "crash" / "trace.txt"), "about to crash\n");
  EXPECT_NE(pictureTableRow(tidyPicture(crash, dir.path() / "crash"))
                .find(",failed,NA,killed by signal 11 (Segmentation fault),NA,"),
            std::string::npos);

  // A silent failure in the folder of an earlier run: its leftovers go, other files stay.
  const fs::path folder = dir.path() / "silent";
  for (const std::string name : {"results.csv", "status.txt", "drawing4.jpg", "stderr.txt"})
    writeFile(folder / name, name == "results.csv" ? batchtest::twoToothResults() : "0\n");
  writeFile(folder / "notes.txt", "mine");
  PictureOutcome silent = runPicture(fake, dir.path() / "silent.png", folder, "silent");
  EXPECT_EQ(describeOutcome(silent), "silent: failed (status 4): the run printed nothing");
  EXPECT_EQ(readFile(folder / "status.txt"), "4\n");
  EXPECT_EQ(testing::fileNames(folder), (std::vector<std::string>{"arguments.txt", "notes.txt",
                                                   "picture_path.txt", "status.txt", "trace.txt"}));

  writeFile(dir.path() / "not-executable", "#!/bin/sh\n");
  for (const std::string& program : {(dir.path() / "not-executable").string(),
                                    (dir.path() / "no-such-program").string()}) {
    PictureOutcome none = runPicture({program, {}}, dir.path() / "x.png", dir.path() / "x", "x");
    EXPECT_EQ(none.status, "127");
    EXPECT_EQ(none.message.rfind("Cannot run " + program + ": ", 0), 0u) << none.message;
    EXPECT_EQ(readFile(dir.path() / "x" / "trace.txt"), none.message + "\n");
  }
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
  EXPECT_EQ(batchtest::progressDescriptions(shown, 5), (std::set<std::string>{"p1: ok, 0 teeth", "p3: ok, 0 teeth", "p4: ok, 0 teeth",
                                              "fail2: failed (status 1): gave up",
                                              "fail5: failed (status 1): gave up"}));
  EXPECT_TRUE(result.tableWritten);
  EXPECT_EQ(readFile(options.outdir / "combined.csv"), composeCombinedTable(result.outcomes));
}

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
