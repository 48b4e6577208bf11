// The whole content of a file as bytes, for tests that compare what was written; "" when the
// file cannot be read.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace leafmargin::testing {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace leafmargin::testing
