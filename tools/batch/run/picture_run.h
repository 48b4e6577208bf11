// Running leaf-margin on one picture inside the picture's own output folder: the program is
// started directly (fork and exec, no shell) as "program OPTIONS... -- PICTURE" (the "--" keeps a
// picture name that begins with '-' a picture), its standard output goes to "trace.txt", its
// standard error to "stderr.txt" (removed when empty), its standard input is /dev/null, and the
// exit status lands in "status.txt". A crop runs with --tidy (its tables are what the batch
// gathers), a whole-leaf scan with --whole-leaf.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch/run/picture_list.h"
#include "batch/tables/picture_outcome.h"

namespace leafmargin::batch {

// The leaf-margin to run and what every run of the batch is given.
struct ProgramCall {
  std::string program;  // absolute path of leaf-margin
  std::string threads;  // its --threads; "" for leaf-margin's default
};

// The options of the run of job, before "--" and the picture: "--whole-leaf" or "--tidy", then
// "--dpi", "--leaf" and "--threads" when they have a value.
std::vector<std::string> runOptions(const PictureJobRecord& job, const std::string& threads);

// The files a run of leaf-margin or of the batch leaves in a picture folder, removed before a
// new run so that nothing of an earlier run is taken for this one.
const std::vector<std::string>& runFileNames();

// Creates folder if needed, clears the files of an earlier run, records the picture's path and
// the job, runs program on the picture in it, records the status and reads the outcome back.
// Safe to call from several threads at once.
// When the program cannot be started, trace.txt holds "Cannot run <program>: <reason>" and the
// status is 127, as a shell reports it.
PictureOutcome runPicture(const ProgramCall& call, const PictureJob& job,
                          const std::filesystem::path& folder);

}  // namespace leafmargin::batch
