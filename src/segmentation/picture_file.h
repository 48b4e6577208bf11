// The bytes of a picture file, for the checks that look at the file itself rather than at
// the decoded picture (stored resolution, truncation).
#pragma once

#include <string>
#include <vector>

namespace leafmargin {

// The whole file; empty when it cannot be read.
std::vector<unsigned char> readPictureFile(const std::string& path);

}  // namespace leafmargin
