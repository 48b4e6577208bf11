// Data flows one way down the pipeline: no folder of src/ includes, directly or through other
// folders, a folder that includes it back. Reads the #include "folder/..." lines of every file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace leafmargin {
namespace {

namespace fs = std::filesystem;
using Graph = std::map<std::string, std::set<std::string>>;

// Folder -> the other folders of src/ its files include.
Graph includeGraph(const fs::path& src) {
  Graph graph;
  const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string folder = fs::relative(entry.path(), src).begin()->string();
    std::ifstream in(entry.path());
    std::smatch m;
    for (std::string line; std::getline(in, line);)
      if (std::regex_search(line, m, include) && m[1] != folder && fs::is_directory(src / m[1].str()))
        graph[folder].insert(m[1]);
  }
  return graph;
}

// A path from `from` back to `target` through the graph, or "" when there is none.
std::string pathBack(const Graph& graph, const std::string& from, const std::string& target,
                     std::set<std::string>& seen) {
  const auto edges = graph.find(from);
  if (edges == graph.end()) return "";
  for (const std::string& next : edges->second) {
    if (next == target) return from + " -> " + next;
    if (!seen.insert(next).second) continue;
    const std::string rest = pathBack(graph, next, target, seen);
    if (!rest.empty()) return from + " -> " + rest;
  }
  return "";
}

TEST(SourceLayout, NoFolderOfSrcIncludesAFolderThatIncludesItBack) {
  const Graph graph = includeGraph(fs::path(__FILE__).parent_path() / ".." / ".." / "src");
  ASSERT_TRUE(graph.count("measure") && graph.at("measure").count("geometry"));  // read something
  for (const auto& [folder, includes] : graph) {
    std::set<std::string> seen;
    EXPECT_EQ(pathBack(graph, folder, folder, seen), "") << "include cycle through " << folder;
  }
}

}  // namespace
}  // namespace leafmargin
