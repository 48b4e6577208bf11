// The driver of the whole-leaf mode (--whole-leaf): reads the scan, settles its scale and the
// leaves' class, runs the whole-leaf analysis and writes its tables and picture.
#pragma once

#include <ostream>

#include "app/options.h"

namespace leafmargin {

// One run in the whole-leaf mode: reads options.picture, analyses it, writes the two tables and
// the picture into the output folder, prints a summary on out and returns the exit status: 0
// when at least one window was measured; otherwise a message on messages and nothing written.
int runWholeLeaf(const Options& options, std::ostream& out, std::ostream& messages);

}  // namespace leafmargin
