// Whole files as bytes, read for the tests that compare what was written and written for the
// tests that make their inputs, and the cells of the tables the program and the batch write.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace leafmargin::testing {

// "" when the file cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Creates the folders on the way.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// Lines without their '\r', each split at the separator (no quoting).
inline std::vector<std::vector<std::string>> tableCells(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, separator);) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// A cell of results.csv ("12,50") as a number.
inline double cellNumber(std::string cell) {
  for (char& c : cell) c = c == ',' ? '.' : c;
  return std::stod(cell);
}

}  // namespace leafmargin::testing
