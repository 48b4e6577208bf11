// Data flows one way down the pipeline: no folder of src/ includes, directly or through other
// folders, a folder that includes it back. Reads the #include "folder/..." lines of every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>

namespace leafmargin {
namespace {

namespace fs = std::filesystem;

TEST(SourceLayout, NoFolderOfSrcIncludesAFolderThatIncludesItBack) {
  const fs::path src = fs::path(__FILE__).parent_path() / ".." / ".." / "src";
  // reaches[a] holds b when a folder's files include b's, directly or through other folders.
  std::map<std::string, std::set<std::string>> reaches;
  const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string folder = fs::relative(entry.path(), src).begin()->string();
    std::ifstream in(entry.path());
    std::smatch m;
    for (std::string line; std::getline(in, line);)
      if (std::regex_search(line, m, include) && m[1] != folder && fs::is_directory(src / m[1].str()))
        reaches[folder].insert(m[1]);
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
