// leafmargin-batch: runs leaf-margin over many pictures, each in its own output folder, several
// at a time, and gathers their results into one combined table.
//   leafmargin-batch [--jobs N] [--program PATH] [--dpi N|auto] [--leaf bright|dark]
//                    [--threads N] OUTDIR PICTURE|FOLDER...
//   leafmargin-batch [--program PATH] [--dpi ...] [--leaf ...] [--threads N] --single FOLDER PICTURE
//                                                                (one picture, for workflows)
//   leafmargin-batch --list PICTURE|FOLDER...                   (prints "name<TAB>path" lines)
// Exit status: 0 when every picture succeeded, 1 when some failed (the table is written all the
// same), 2 for a usage or setup error, 3 when combined.csv or status.txt cannot be written.
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/options.h"
#include "batch/run/batch_run.h"
#include "batch/run/picture_list.h"
#include "batch/run/picture_run.h"
#include "batch/tables/combined_table.h"
#include "resources/parallel_blocks.h"

namespace fs = std::filesystem;
using namespace leafmargin::batch;

namespace {

constexpr int kSomeFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotWritten = 3;

enum class Mode { Batch, Single, List };

struct Arguments {
  Mode mode = Mode::Batch;
  int jobs = 0;  // 0: one per core
  std::string program;
  std::vector<std::string> forwarded;  // options given to every leaf-margin run
  std::vector<std::string> positional;
};

int usage(const std::string& problem) {
  std::cerr << "leafmargin-batch: " << problem << "\n"
            << "usage: leafmargin-batch [--jobs N] [--program PATH] [--dpi N|auto] "
               "[--leaf bright|dark] [--threads N] OUTDIR PICTURE|FOLDER...\n"
            << "       leafmargin-batch [--program PATH] [--dpi N|auto] [--leaf bright|dark] "
               "[--threads N] --single FOLDER PICTURE\n"
            << "       leafmargin-batch --list PICTURE|FOLDER...\n";
  return kUsage;
}

bool parseJobs(const std::string& text, int& jobs) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  jobs = std::stoi(text);
  return jobs > 0;
}

// Fills args; returns an empty text or the usage problem.
std::string parseArguments(int argc, char** argv, Arguments& args) {
  bool optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsDone || arg.empty() || arg[0] != '-') {
      args.positional.push_back(arg);
    } else if (arg == "--") {
      optionsDone = true;
    } else if (arg == "--single") {
      args.mode = Mode::Single;
    } else if (arg == "--list") {
      args.mode = Mode::List;
    } else if (arg == "--jobs" || arg == "-j" || arg == "--program" || arg == "--dpi" ||
               arg == "--leaf" || arg == "--threads") {
      if (i + 1 >= argc) return arg + " needs a value";
      const std::string value = argv[++i];
      if (arg == "--program") args.program = value;
      else if (arg == "--dpi" || arg == "--leaf" || arg == "--threads")
        args.forwarded.insert(args.forwarded.end(), {arg, value});
      else if (!parseJobs(value, args.jobs)) return "--jobs needs a whole number above 0";
    } else {
      return "unknown option " + arg;
    }
  }
  return "";
}

// The leaf-margin to run: --program, or the one beside this program. Empty when not executable.
std::string resolveProgram(const std::string& requested, std::string& problem) {
  fs::path program = requested;
  if (program.empty()) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    program = self.parent_path() / "leaf-margin";
  }
  program = fs::absolute(program).lexically_normal();
  std::error_code ec;
  if (!fs::is_regular_file(program, ec) || access(program.c_str(), X_OK) != 0) {
    problem = "cannot run " + program.string() + " (name leaf-margin with --program)";
    return "";
  }
  return program.string();
}

// The options forwarded to leaf-margin, checked by its own parser; empty or the problem.
std::string forwardedOptionsProblem(const std::vector<std::string>& forwarded) {
  std::vector<const char*> argv{"leaf-margin"};
  for (const std::string& word : forwarded) argv.push_back(word.c_str());
  argv.push_back("--version");
  std::ostringstream ignored, problem;
  const leafmargin::CommandLine check =
      leafmargin::parseCommandLine(static_cast<int>(argv.size()), argv.data(), ignored, problem);
  std::string text = problem.str();
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return check.exitStatus == 0 ? "" : text;
}

int listPictures(const std::vector<std::string>& arguments) {
  std::vector<fs::path> pictures;
  std::string error;
  if (!expandPictureArguments(arguments, pictures, error)) return usage(error);
  for (const PictureJob& job : namePictures(pictures)) {
    std::cout << job.name << '\t' << job.picture.string() << '\n';
  }
  return 0;
}

int runSingle(const ProgramCall& call, const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return usage("--single takes FOLDER and PICTURE");
  fs::path folder = fs::absolute(arguments[0]).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();  // "out/leaf/"
  const fs::path picture = fs::absolute(arguments[1]).lexically_normal();
  const PictureOutcome outcome = runPicture(call, picture, folder, folder.filename().string());
  std::cout << describeOutcome(outcome) << std::endl;
  return outcome.status.empty() ? kNotWritten : 0;
}

int runWholeBatch(const ProgramCall& call, int jobs, const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return usage("give OUTDIR and at least one picture or folder");
  BatchOptions options;
  options.call = call;
  options.outdir = fs::absolute(arguments[0]).lexically_normal();
  options.jobs = jobs > 0 ? jobs : leafmargin::availableCores();

  std::vector<fs::path> pictures;
  std::string error;
  if (!expandPictureArguments({arguments.begin() + 1, arguments.end()}, pictures, error)) {
    return usage(error);
  }
  if (pictures.empty()) return usage("no picture found");
  std::error_code ec;
  fs::create_directories(options.outdir, ec);
  if (ec) return usage("cannot create " + options.outdir.string() + ": " + ec.message());

  const BatchResult result = runBatch(namePictures(pictures), options, std::cout);
  if (!result.tableWritten) {
    std::cerr << "leafmargin-batch: " << result.tableError << "\n";
    return kNotWritten;
  }
  const int total = static_cast<int>(result.outcomes.size());
  std::cout << (options.outdir / kCombinedFile).string() << ": " << total - result.failed
            << " ok, " << result.failed << " failed" << std::endl;
  return result.failed > 0 ? kSomeFailed : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  const std::string problem = parseArguments(argc, argv, args);
  if (!problem.empty()) return usage(problem);
  if (args.mode == Mode::List) return listPictures(args.positional);
  const std::string optionsProblem = forwardedOptionsProblem(args.forwarded);
  if (!optionsProblem.empty()) return usage(optionsProblem);

  std::string programProblem;
  const std::string program = resolveProgram(args.program, programProblem);
  if (program.empty()) return usage(programProblem);
  const ProgramCall call{program, args.forwarded};
  if (args.mode == Mode::Single) return runSingle(call, args.positional);
  return runWholeBatch(call, args.jobs, args.positional);
}
