#include "batch/tables/results_file.h"

#include <fstream>
#include <sstream>

#include "report/number_format.h"
#include "report/measures.h"

namespace leafmargin::batch {

namespace {

const char* const kDeepestNotchCell = "Profondeur max :";

// Lines of text without their line ends; a final line end does not open another line.
std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines = splitString(bytes, "\n");
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

// The cells of a line in which every cell is closed by ';' (as the header, tooth and statistics
// lines are); false when the line does not end with ';' or has another count of cells.
bool splitClosedCells(const std::string& line, std::size_t count, std::vector<std::string>& cells) {
  cells = splitString(line, ";");
  if (cells.size() != count + 1 || !cells.back().empty()) return false;
  cells.pop_back();
  return true;
}

std::string headerLine() {
  std::string line = "Dent;";
  for (const MeasureColumn& column : measureColumns()) line += "\"" + std::string(column.label) + "\";";
  return line;
}

ParsedResults failure(std::size_t lineIndex, const std::string& what) {
  ParsedResults parsed;
  parsed.error = "line " + intToString(static_cast<int>(lineIndex + 1)) + ": " + what;
  return parsed;
}

MeasureCells measureCells(const std::vector<std::string>& cells) {
  MeasureCells out;
  for (std::size_t k = 0; k < kMeasureCount; ++k) out[k] = cells[k + 1];
  return out;
}

}  // namespace

ParsedResults parseResults(const std::string& bytes) {
  const std::vector<std::string> lines = splitLines(bytes);
  if (lines.empty()) return failure(0, "the file is empty");
  if (lines[0] != headerLine()) return failure(0, "not the header of a results table");

  ParsedResults parsed;
  ResultsTable& table = parsed.table;
  std::vector<std::string> cells;
  std::size_t i = 1;
  for (; i < lines.size() && !lines[i].empty(); ++i) {
    const std::string number = intToString(static_cast<int>(table.teeth.size() + 1));
    if (!splitClosedCells(lines[i], kMeasureCount + 1, cells) || cells[0] != number) {
      return failure(i, "expected the row of tooth " + number);
    }
    table.teeth.push_back({cells[0], measureCells(cells)});
  }
  if (i == lines.size()) return failure(i, "the file ends before the statistics");
  ++i;  // the empty line

  for (std::size_t r = 0; r < kStatisticsCount; ++r, ++i) {
    const std::string label = statisticsLabels()[r];
    if (i == lines.size()) return failure(i, "the file ends before the line " + label);
    if (!splitClosedCells(lines[i], kMeasureCount + 1, cells) || cells[0] != label) {
      return failure(i, "expected the line " + label);
    }
    table.statistics[r] = measureCells(cells);
  }

  if (i == lines.size()) return failure(i, "the file ends before the deepest notch");
  cells = splitString(lines[i], ";");
  if (cells.size() != 2 || cells[0] != kDeepestNotchCell) {
    return failure(i, std::string("expected the line ") + kDeepestNotchCell);
  }
  table.deepestNotch = cells[1];
  if (++i != lines.size()) return failure(i, "unexpected text after the deepest notch");

  parsed.ok = true;
  return parsed;
}

ParsedResults readResultsFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    ParsedResults parsed;
    parsed.error = "cannot be read";
    return parsed;
  }
  std::ostringstream bytes;
  bytes << file.rdbuf();
  if (file.bad()) {
    ParsedResults parsed;
    parsed.error = "cannot be read";
    return parsed;
  }
  return parseResults(bytes.str());
}

}  // namespace leafmargin::batch
