// leafmargin-batch: runs leaf-margin over many pictures, each in its own output folder, several
// at a time, and gathers their results into the batch's tables and page.
//   leafmargin-batch [OPTIONS] OUTDIR PICTURE|FOLDER...
//   leafmargin-batch [OPTIONS] --sheet FILE OUTDIR
//   leafmargin-batch [OPTIONS] --single FOLDER PICTURE     (one picture, for workflows)
//   leafmargin-batch --list PICTURE|FOLDER...               (prints "name<TAB>path" lines)
// Exit status: 0 when every picture succeeded, 1 when some failed (the tables are written all
// the same), 64 for a wrong command line or sheet (nothing read or written), 3 when OUTDIR or a
// table cannot be written.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "app/options.h"
#include "batch/run/batch_run.h"
#include "batch/run/picture_list.h"
#include "batch/run/picture_run.h"
#include "batch/run/sample_sheet.h"
#include "batch/tables/combined_table.h"
#include "resources/parallel_blocks.h"
#include "run/failure.h"

namespace fs = std::filesystem;
using namespace leafmargin::batch;

namespace {

constexpr const char* kProgram = "leafmargin-batch";
constexpr int kSomeFailed = 1;

struct Arguments {
  int jobs = 0;  // 0: one per core
  std::string program, sheet, threads, dpi, leaf;
  bool wholeLeaf = false, single = false, list = false;
  std::vector<std::string> positional;
};

// A wrong command line: one line naming the problem, nothing read or written.
struct UsageError {
  std::string problem;
};

int usage(const std::string& problem) {
  std::cerr << kProgram << ": " << problem << " (see " << kProgram << " --help)" << std::endl;
  return leafmargin::kExitUsage;
}

std::string checkJobs(const std::string& text) {
  if (!text.empty() && text.size() <= 6 && text.find_first_not_of("0123456789") == std::string::npos &&
      std::stoi(text) > 0)
    return "";
  return "must be a whole number of runs above 0 (got '" + text + "')";
}

void addOptions(CLI::App& app, Arguments& a) {
  app.add_option("arguments", a.positional,
                 "OUTDIR, then the pictures and folders of pictures (none with --sheet); with "
                 "--single FOLDER PICTURE; with --list the pictures; put -- before a name that "
                 "begins with '-'")
      ->type_name("OUTDIR PICTURE|FOLDER...");
  app.add_option("-j,--jobs", a.jobs, "runs of leaf-margin at a time (default: the cores)")
      ->type_name("N")
      ->check(CLI::Validator(checkJobs, "", "jobs"));
  app.add_option("--program", a.program,
                 "the leaf-margin to run (default: the one beside leafmargin-batch)")
      ->type_name("PATH");
  app.add_option("--sheet", a.sheet,
                 "a sample sheet (CSV with a header; column picture, and dpi, leaf, whole_leaf "
                 "and the lab's own columns) that lists the pictures")
      ->type_name("FILE");
  app.add_option("--dpi", a.dpi, "resolution of the scans, as leaf-margin --dpi")
      ->type_name("N|auto")
      ->default_str(leafmargin::formatDpi(leafmargin::kDefaultDpi))
      ->check(CLI::Validator(leafmargin::checkDpi, "", "dpi"));
  app.add_option("--leaf", a.leaf, "which Otsu class is the leaf, as leaf-margin --leaf")
      ->type_name("bright|dark|auto")
      ->default_str("bright")
      ->check(CLI::Validator(leafmargin::checkLeaf, "", "leaf"));
  app.add_flag("--whole-leaf", a.wholeLeaf,
               "the pictures are whole-leaf scans (leaf-margin --whole-leaf)");
  app.add_option("--threads", a.threads,
                 "threads of each run (default: the cores divided by the runs at a time)")
      ->type_name("N")
      ->check(CLI::Validator(leafmargin::checkThreads, "", "threads"));
  CLI::Option* single = app.add_flag("--single", a.single,
                                     "run one picture: FOLDER PICTURE (for workflows)");
  app.add_flag("--list", a.list, "print the pictures' folder names and paths, run nothing")
      ->excludes(single);
}

// The leaf-margin to run: --program, or the one beside this program.
std::string resolveProgram(const std::string& requested) {
  fs::path program = requested;
  if (program.empty()) {
    std::error_code ec;
    program = fs::read_symlink("/proc/self/exe", ec).parent_path() / "leaf-margin";
  }
  program = fs::absolute(program).lexically_normal();
  std::error_code ec;
  if (!fs::is_regular_file(program, ec) || access(program.c_str(), X_OK) != 0) {
    throw UsageError{"cannot run " + program.string() + " (name leaf-margin with --program)"};
  }
  return program.string();
}

std::vector<fs::path> expandedPictures(const std::vector<std::string>& arguments) {
  std::vector<fs::path> pictures;
  std::string error;
  if (!expandPictureArguments(arguments, pictures, error)) throw UsageError{error};
  if (pictures.empty()) throw UsageError{"no picture found"};
  return pictures;
}

// The jobs of the batch: the sheet's pictures, or the arguments after OUTDIR.
std::vector<PictureJob> batchJobs(const Arguments& a, const PictureJobRecord& defaults) {
  if (a.sheet.empty()) {
    if (a.positional.size() < 2) throw UsageError{"give OUTDIR and at least one picture or folder"};
    return namePictures(expandedPictures({a.positional.begin() + 1, a.positional.end()}), defaults);
  }
  if (a.positional.size() != 1) throw UsageError{"with --sheet, give OUTDIR only (the sheet lists the pictures)"};
  std::vector<SheetEntry> entries;
  std::string error;
  if (!readSampleSheet(a.sheet, defaults, entries, error)) throw UsageError{error};
  std::vector<fs::path> pictures;
  for (const SheetEntry& entry : entries) pictures.push_back(entry.picture);
  std::vector<PictureJob> jobs = namePictures(pictures);
  for (std::size_t i = 0; i < jobs.size(); ++i) jobs[i].job = entries[i].job;
  return jobs;
}

// An OUTDIR that holds pictures the batch would analyse is the pictures' folder given first.
void refuseSwappedArguments(const fs::path& outdir, const std::vector<PictureJob>& jobs) {
  std::vector<fs::path> inside = picturesInFolder(outdir);
  for (const PictureJob& job : jobs) {
    if (job.picture.parent_path() == outdir) inside.push_back(job.picture);
  }
  if (!inside.empty()) {
    throw UsageError{"the output folder " + outdir.string() + " holds pictures (" +
                     inside.front().filename().string() +
                     "): give the output folder first, then the pictures"};
  }
}

int listPictures(const std::vector<std::string>& arguments) {
  for (const PictureJob& job : namePictures(expandedPictures(arguments))) {
    std::cout << job.name << '\t' << job.picture.string() << '\n';
  }
  return 0;
}

int runSingle(const ProgramCall& call, const Arguments& a, const PictureJobRecord& defaults) {
  if (a.positional.size() != 2) throw UsageError{"--single takes FOLDER and PICTURE"};
  fs::path folder = fs::absolute(a.positional[0]).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();  // "out/leaf/"
  const PictureJob job{folder.filename().string(),
                       fs::absolute(a.positional[1]).lexically_normal(), defaults};
  const PictureOutcome outcome = runPicture(call, job, folder);
  std::cout << describeOutcome(outcome) << std::endl;
  return outcome.status.empty() ? leafmargin::kExitNotWritten : 0;
}

int runWholeBatch(const ProgramCall& call, const Arguments& a, const PictureJobRecord& defaults) {
  if (a.positional.empty()) throw UsageError{"give OUTDIR and at least one picture or folder"};
  BatchOptions options;
  options.call = call;
  options.outdir = fs::absolute(a.positional[0]).lexically_normal();
  if (options.outdir.filename().empty()) options.outdir = options.outdir.parent_path();
  options.jobs = a.jobs > 0 ? a.jobs : leafmargin::availableCores();
  const std::vector<PictureJob> jobs = batchJobs(a, defaults);
  refuseSwappedArguments(options.outdir, jobs);

  std::error_code ec;
  fs::create_directories(options.outdir, ec);
  if (ec) {
    std::cerr << kProgram << ": cannot create the output folder " << options.outdir.string()
              << ": " << ec.message() << std::endl;
    return leafmargin::kExitNotWritten;
  }
  const BatchResult result = runBatch(jobs, options, std::cout);
  if (!result.tableWritten) {
    std::cerr << kProgram << ": " << result.tableError << std::endl;
    return leafmargin::kExitNotWritten;
  }
  std::cout << summaryLine(options.outdir / kCombinedFile, result.outcomes) << std::endl;
  return failedCount(result.outcomes) > 0 ? kSomeFailed : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments a;
  CLI::App app("Runs leaf-margin over many pictures, each in its own folder of OUTDIR, and "
               "gathers their results into OUTDIR's tables (combined.csv, teeth.csv, "
               "pictures.csv, leaves.csv) and page (report.html).",
               kProgram);
  addOptions(app, a);
  app.set_version_flag("--version", leafmargin::versionText(kProgram),
                       "print the program's and OpenCV's versions");
  app.footer("Exit status: 0 every picture ok, 1 some failed (the tables list them), 3 a table "
             "or OUTDIR cannot be written, 64 wrong command line or sheet.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << leafmargin::versionText(kProgram) << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    return usage(e.what());
  }
  try {
    if (a.list && !a.sheet.empty()) throw UsageError{"--list takes pictures, not --sheet"};
    if (a.list) return listPictures(a.positional);
    const PictureJobRecord defaults{a.wholeLeaf, a.dpi, a.leaf, {}};
    const ProgramCall call{resolveProgram(a.program), a.threads};
    if (!a.sheet.empty() && a.single) throw UsageError{"--sheet and --single do not go together"};
    if (a.single) return runSingle(call, a, defaults);
    return runWholeBatch(call, a, defaults);
  } catch (const UsageError& e) {
    return usage(e.problem);
  }
}
