// Which pictures a batch takes from its arguments or its sample sheet and the folder name each
// gets; the options of each run; running them with stand-in programs: the working folder, the
// captured output, the status, crashes, programs that cannot start, leftovers of earlier runs,
// the limit of runs at once.
#include <gtest/gtest.h>

#include <set>

#include "batch/batch_test_support.h"
#include "batch/run/batch_run.h"
#include "batch/run/picture_list.h"
#include "batch/run/picture_run.h"
#include "batch/run/sample_sheet.h"
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
    "    echo 'warning: a warning' >&2\n"
    "    pwd > where.txt\n"
    "    cp \"$1\" results.csv; echo picture > teeth.csv; echo picture > picture.csv\n"
    "    echo \"done $1\" ;;\n"
    "esac\n";

TEST(BatchRunPicture, RunsInTheFolderWithOutputCapturedAndStatusRecorded) {
  ScratchDir dir("batch-one");
  writeScript(dir.path() / "fake", kStandIn);
  writeFile(dir.path() / "leaf.png", batchtest::twoToothResults());
  const fs::path folder = dir.path() / "out" / "leaf";
  PictureJob job{"leaf", dir.path() / "leaf.png", {}};
  job.job.dpi = "600";
  job.job.sheet = {{"site", "a, b"}};

  const PictureOutcome outcome = runPicture({(dir.path() / "fake").string(), ""}, job, folder);
  EXPECT_EQ(describeOutcome(outcome), "leaf: ok, 2 teeth, 1 warning: a warning");
  EXPECT_EQ(readFile(folder / "arguments.txt"),
            "--tidy --dpi 600 -- " + (dir.path() / "leaf.png").string() + "\n");
  EXPECT_EQ(readFile(folder / "where.txt"), folder.string() + "\n");
  EXPECT_EQ(readFile(folder / "trace.txt"),
            "stdin: none\ndone " + (dir.path() / "leaf.png").string() + "\n");
  EXPECT_EQ(readFile(folder / "stderr.txt"), "warning: a warning\n");
  EXPECT_EQ(readFile(folder / "status.txt"), "0\n");
  EXPECT_EQ(readFile(folder / "job.csv"), "whole_leaf,dpi,leaf,site\nfalse,600,,\"a, b\"\n");
  EXPECT_EQ(readJobRecord(folder).sheet, job.job.sheet);
}

TEST(BatchRunPicture, EachRunGetsItsModeAndTheOptionsThatHaveAValue) {
  using Words = std::vector<std::string>;
  const struct { PictureJobRecord job; std::string threads; Words options; } cases[] = {
      {{}, "", {"--tidy"}},
      {{false, "auto", "dark", {}}, "3", {"--tidy", "--dpi", "auto", "--leaf", "dark", "--threads", "3"}},
      {{true, "600", "", {{"site", "x"}}}, "", {"--whole-leaf", "--dpi", "600"}},
      {{true, "", "auto", {}}, "1", {"--whole-leaf", "--leaf", "auto", "--threads", "1"}},
  };
  for (const auto& c : cases) EXPECT_EQ(runOptions(c.job, c.threads), c.options) << c.options[0];
}

TEST(BatchRunPicture, CrashesSilentFailuresLeftoversAndUnstartablePrograms) {
  ScratchDir dir("batch-bad");
  writeScript(dir.path() / "fake", kStandIn);
  const ProgramCall fake{(dir.path() / "fake").string(), ""};
  const auto job = [&](const std::string& name) { return PictureJob{name, dir.path() / (name + ".png"), {}}; };

  PictureOutcome crash = runPicture(fake, job("crash"), dir.path() / "crash");
  EXPECT_EQ(describeOutcome(crash), "crash: failed (signal 11): killed by signal 11 (Segmentation fault)");
  EXPECT_EQ(readFile(dir.path() / "crash" / "trace.txt"), "about to crash\n");
  const CsvRow crashRow = tidyRows(crash, dir.path() / "crash").picture;
  EXPECT_EQ(fieldOf(crashRow, "exit_code") + " " + fieldOf(crashRow, "message"),
            "NA killed by signal 11 (Segmentation fault)");

  // A silent failure in the folder of an earlier run: its leftovers go, other files stay.
  const fs::path folder = dir.path() / "silent";
  for (const std::string name : {"results.csv", "status.txt", "drawing4.jpg", "stderr.txt"})
    writeFile(folder / name, name == "results.csv" ? batchtest::twoToothResults() : "0\n");
  writeFile(folder / "notes.txt", "mine");
  PictureOutcome silent = runPicture(fake, job("silent"), folder);
  EXPECT_EQ(describeOutcome(silent), "silent: failed (status 4): the run printed nothing");
  EXPECT_EQ(readFile(folder / "status.txt"), "4\n");
  EXPECT_EQ(testing::fileNames(folder), (std::vector<std::string>{"arguments.txt", "job.csv", "notes.txt",
                                                   "picture_path.txt", "status.txt", "trace.txt"}));

  writeFile(dir.path() / "not-executable", "#!/bin/sh\n");
  for (const std::string& program : {(dir.path() / "not-executable").string(),
                                    (dir.path() / "no-such-program").string()}) {
    PictureOutcome none = runPicture({program, ""}, job("x"), dir.path() / "x");
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
              "cp \"$1\" \"$here/results.csv\"; echo picture > \"$here/teeth.csv\"\n"
              "echo picture > \"$here/picture.csv\"; echo 'warning: w' >&2\n");
  std::vector<PictureJob> jobs;
  for (const std::string name : {"p1", "fail2", "p3", "p4", "fail5"}) {
    writeFile(dir.path() / (name + ".png"), batchtest::noToothResults());
    jobs.push_back({name, dir.path() / (name + ".png"), {}});
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

  EXPECT_EQ(failedCount(result.outcomes), 2);
  EXPECT_EQ(summaryLine("t.csv", result.outcomes), "t.csv: 3 ok (3 with warnings), 2 failed");
  ASSERT_EQ(result.outcomes.size(), 5u);
  for (std::size_t i = 0; i < jobs.size(); ++i) EXPECT_EQ(result.outcomes[i].name, jobs[i].name);
  const std::vector<std::string> shown = lines(progress.str());
  ASSERT_EQ(shown.size(), 5u);
  const std::string w = ", 1 warning: w";
  EXPECT_EQ(batchtest::progressDescriptions(shown, 5),
            (std::set<std::string>{"p1: ok, 0 teeth" + w, "p3: ok, 0 teeth" + w, "p4: ok, 0 teeth" + w,
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
  EXPECT_EQ(picturesInFolder(in), (std::vector<fs::path>{in / "a.png", in / "b.JPG", in / "c.tiff"}));
  EXPECT_TRUE(picturesInFolder(in / "a.png").empty());
}

// A sheet as pandas writes it (with its index column), a quoted comma, a relative and an
// absolute picture, the settings overriding the batch's where filled, a blank line.
TEST(BatchSampleSheet, ListsThePicturesWithTheirSettingsAndTheLabsColumns) {
  ScratchDir dir("batch-sheet");
  for (const char* name : {"scans/a.jpg", "b.png"}) writeFile(dir.path() / name, "x");
  writeFile(dir.path() / "sheets" / "s.csv",
            "\xEF\xBB\xBF,picture,dpi,site,leaf,whole_leaf\r\n"
            "0,../scans/a.jpg,,\"Bois, plot \"\"3\"\"\",,\r\n\r\n"
            "1," + (dir.path() / "b.png").string() + ",600.0,,dark,True\r\n");
  std::vector<SheetEntry> entries;
  std::string error;
  ASSERT_TRUE(readSampleSheet(dir.path() / "sheets" / "s.csv", {false, "auto", "bright", {}}, entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].picture, dir.path() / "scans" / "a.jpg");
  EXPECT_EQ(entries[1].picture, dir.path() / "b.png");
  const PictureJobRecord& a = entries[0].job;
  const PictureJobRecord& b = entries[1].job;
  EXPECT_TRUE(!a.wholeLeaf && a.dpi == "auto" && a.leaf == "bright");
  EXPECT_TRUE(b.wholeLeaf && b.dpi == "600.0" && b.leaf == "dark");
  EXPECT_EQ(a.sheet, (SheetFields{{"site", "Bois, plot \"3\""}}));
  EXPECT_EQ(b.sheet, (SheetFields{{"site", ""}}));
}

// Each bad sheet: one message naming the line and the column, and nothing listed.
TEST(BatchSampleSheet, BadSheetsNameTheLineAndTheColumn) {
  ScratchDir dir("batch-bad-sheet");
  writeFile(dir.path() / "a.jpg", "x");
  fs::create_directories(dir.path() / "sub.jpg");
  const std::string head = "picture,dpi,leaf,whole_leaf,site\n", a = "a.jpg,,,,x\n";
  const struct { std::string text, error; } cases[] = {
      {"", "line 1, column picture: the sheet is empty"},
      {"file,site\na.jpg,x\n", "line 1, column picture: missing"},
      {head, "line 2, column picture: the sheet lists no picture"},
      {head + a + "a.jpg,600,,,y\n", "line 3, column picture: " + (dir.path() / "a.jpg").string() + " is listed on line 2 already"},
      {head + "b.jpg,,,,x\n", "line 2, column picture: no such file " + (dir.path() / "b.jpg").string()},
      {head + "sub.jpg,,,,x\n", "line 2, column picture: " + (dir.path() / "sub.jpg").string() + " is a folder"},
      {head + ",,,,x\n", "line 2, column picture: empty"},
      {head + a + "\"a\nb\",0,,,x\n", "line 3, column picture: no such file " + (dir.path() / "a\nb").string()},
      {head + "a.jpg,0,,,x\n", "line 2, column dpi: must be a positive number of dots per inch, or auto (got '0')"},
      {head + "a.jpg,,green,,x\n", "line 2, column leaf: must be bright, dark or auto (got 'green')"},
      {head + "a.jpg,,,yes,x\n", "line 2, column whole_leaf: must be true or false (got 'yes')"},
      {head + "a.jpg,,\n", "line 2, column -: 3 fields, the header has 5"},
      {head + a + "\"a.jpg,,,,x\n", "line 3, column -: a quoted field is not closed"},
      {"picture,teeth\na.jpg,3\n", "line 1, column teeth: the batch fills a column of that name itself"},
      {"picture,site,site\na.jpg,x,y\n", "line 1, column site: is named twice"},
      {"picture,,site\na.jpg,x,y\n", "line 1, column number 2: has no name"},
  };
  for (const auto& c : cases) {
    writeFile(dir.path() / "s.csv", c.text);
    std::vector<SheetEntry> entries;
    std::string error;
    EXPECT_FALSE(readSampleSheet(dir.path() / "s.csv", {}, entries, error)) << c.error;
    EXPECT_EQ(error, (dir.path() / "s.csv").string() + ", " + c.error);
    EXPECT_TRUE(entries.empty());
  }
}

}  // namespace
}  // namespace leafmargin::batch
