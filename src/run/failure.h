// How a run ends early. A stage that cannot let the run go on returns its result with a Failure
// set; it prints nothing about it. The driver prints the failure's message as the last line of
// the trace (when there is one) and ends the run with its status. Every stage reports this way.
#pragma once

#include <optional>
#include <string>

namespace leafmargin {

// Exit statuses of a run.
constexpr int kExitSuccess = 0;
constexpr int kExitUnreadable = -1;   // the picture cannot be read (255 as the shell sees it)
constexpr int kExitNoLeaf = 1;        // no usable leaf outline
constexpr int kExitFailure = 1;       // the apical search met a degenerate flank ("bug !")
constexpr int kExitTooSmall = 2;      // fewer than 11 rows
constexpr int kExitNotWritten = 3;    // a file of the run or the output folder cannot be written
constexpr int kExitOutOfMemory = 4;   // the run does not fit in the memory left
constexpr int kExitUsage = 64;        // a wrong command line; nothing was read or written
constexpr int kExitInternalError = 70;  // the program met an error of its own (a defect)

struct Failure {
  int status = kExitFailure;
  std::string message;  // one trace line, or empty
};

using MaybeFailure = std::optional<Failure>;

}  // namespace leafmargin
