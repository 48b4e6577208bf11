// Data flows one way down the pipeline: no folder of src/ includes, directly or through other
// folders, a folder that includes it back. Reads the #include "folder/..." lines of every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace leafmargin {
namespace {

namespace fs = std::filesystem;

// The folder of an `#include "folder/file.h"` line, or nothing.
std::string includedFolder(const std::string& line) {
  std::istringstream words(line);
  std::string hash, quoted;
  words >> hash;
  if (hash == "#") words >> hash;
  else if (hash.rfind("#", 0) == 0) hash = hash.substr(1);
  if (hash != "include" || !(words >> quoted) || quoted.size() < 2 || quoted[0] != '"') return {};
  const std::size_t slash = quoted.find('/');
  return slash == std::string::npos ? std::string() : quoted.substr(1, slash - 1);
}

TEST(SourceLayout, NoFolderOfSrcIncludesAFolderThatIncludesItBack) {
  const fs::path src = fs::path(__FILE__).parent_path() / ".." / ".." / "src";
  // reaches[a] holds b when a folder's files include b's, directly or through other folders.
  std::map<std::string, std::set<std::string>> reaches;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string folder = fs::relative(entry.path(), src).begin()->string();
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      const std::string target = includedFolder(line);
      if (!target.empty() && target != folder && fs::is_directory(src / target)) reaches[folder].insert(target);
    }
  }
  ASSERT_TRUE(reaches["measure"].count("geometry"));  // the includes were read
  for (bool grew = true; grew;) {
    grew = false;
    for (auto& [folder, targets] : reaches)
      for (const std::string& via : std::set<std::string>(targets))
        for (const std::string& next : reaches[via]) grew |= targets.insert(next).second;
  }
  for (const auto& [folder, targets] : reaches)
    EXPECT_EQ(targets.count(folder), 0u) << folder << " includes a folder that includes it back";
}

}  // namespace
}  // namespace leafmargin
