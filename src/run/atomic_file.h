// Replacing a whole file so that readers only ever see the earlier bytes or all the new ones:
// the bytes go to a temporary file beside the target, flushed to disk, which is then renamed
// over it. On any failure the target is left as it was and the temporary file is removed.
#pragma once

#include <string>

namespace leafmargin {

// Writes bytes to path atomically. Returns 0, or the errno of the first step that failed.
int replaceFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace leafmargin
