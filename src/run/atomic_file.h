// Replacing a whole file so that readers only ever see the earlier bytes or all the new ones:
// the bytes go to a temporary file beside the target, flushed to disk, which is then renamed
// over it. On any failure the target is left as it was and the temporary file is removed.
#pragma once

#include <string>

#include "run/failure.h"

namespace leafmargin {

// Writes bytes to path atomically. Returns 0, or the errno of the first step that failed.
int replaceFileAtomically(const std::string& path, const std::string& bytes);

// The one wording of a file that could not be written, whoever writes it:
// "Cannot write <name> in <folder>: <reason>" (an empty folder: "the working directory").
std::string cannotWriteMessage(const std::string& folder, const std::string& name, int error);

// Writes bytes to folder/name atomically (folder empty: the working directory); a failure is
// kExitNotWritten with cannotWriteMessage.
MaybeFailure replaceFileInFolder(const std::string& folder, const std::string& name,
                                 const std::string& bytes);

}  // namespace leafmargin
