// How a run ends when an exception escapes its stages, so that no run ends in an abort: running
// out of memory (std::bad_alloc, or an OpenCV error with its out-of-memory code, from an
// allocation the memory guard could not foresee) is kExitOutOfMemory with the memory message;
// anything else is kExitInternalError with one line saying what escaped.
#pragma once

#include <exception>
#include <string>

#include "run/failure.h"

namespace leafmargin {

// "Not enough memory to analyse <picture>: <what failed>" or "internal error: <what escaped>",
// always a single line.
Failure failureOfEscapedException(std::exception_ptr escaped, const std::string& picture);

}  // namespace leafmargin
