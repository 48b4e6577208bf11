// Running leaf-margin on one picture inside the picture's own output folder: the program is
// started directly (fork and exec, no shell) as "program OPTIONS... -- PICTURE" (the "--" keeps a
// picture name that begins with '-' a picture), its
// standard output goes to "trace.txt", its standard error to "stderr.txt" (removed when empty),
// its standard input is /dev/null, and the exit status lands in "status.txt".
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch/tables/picture_outcome.h"

namespace leafmargin::batch {

// The leaf-margin to run and the options it is given before "--" and the picture.
struct ProgramCall {
  std::string program;               // absolute path of leaf-margin
  std::vector<std::string> options;  // forwarded as they are (--dpi, --leaf, ...)
};

// The files a run of leaf-margin or of the batch leaves in a picture folder, removed before a
// new run so that nothing of an earlier run is taken for this one.
const std::vector<std::string>& runFileNames();

// Creates folder if needed, clears the files of an earlier run, runs program on picture in it,
// records the status and reads the outcome back. Safe to call from several threads at once.
// When the program cannot be started, trace.txt holds "Cannot run <program>: <reason>" and the
// status is 127, as a shell reports it.
PictureOutcome runPicture(const ProgramCall& call, const std::filesystem::path& picture,
                          const std::filesystem::path& folder, const std::string& name);

}  // namespace leafmargin::batch
