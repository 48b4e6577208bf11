// File names inside an output folder. An empty folder is the working directory, so a run
// without a folder writes exactly the bare file names it always wrote.
#pragma once

#include <string>

namespace leafmargin {

// folder + "/" + fileName, without doubling a trailing '/'; fileName alone for an empty folder.
inline std::string joinPath(const std::string& folder, const std::string& fileName) {
  if (folder.empty()) return fileName;
  if (folder.back() == '/') return folder + fileName;
  return folder + "/" + fileName;
}

}  // namespace leafmargin
