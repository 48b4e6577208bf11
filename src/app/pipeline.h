// The analysis of one picture from top to bottom: the driver owns every object of the run,
// calls the stages in their fixed order and turns their outcome into the exit status.
#pragma once

#include <string>

#include "report/run_output.h"

namespace leafmargin {

// Exit statuses of a run.
constexpr int kExitSuccess = 0;
constexpr int kExitUnreadable = -1;  // the picture cannot be read (255 as the shell sees it)
constexpr int kExitNoLeaf = 1;       // no usable leaf outline
constexpr int kExitFailure = 1;      // the apical search failed ("bug !")
constexpr int kExitTooSmall = 2;     // fewer than 11 rows
constexpr int kExitReportFailed = 3; // results.csv could not be written
constexpr int kExitOutOfMemory = 4;  // GrabCut would not fit in the memory left

// Prints the version line, runs every stage on the picture at path and returns the status.
int runPipeline(const std::string& path, const RunOutput& out);

}  // namespace leafmargin
