// Reading back a results.csv that leaf-margin wrote: its tooth rows, its five statistics rows and
// its deepest notch, kept as the cell texts of the file, so that a batch table repeats every
// number byte for byte. The labels checked are those of the report's own table of columns.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report/statistics.h"
#include "report/tidy_tables.h"

namespace leafmargin::batch {

using MeasureCells = MeasureCellTexts;

struct ToothRow {
  std::string number;  // the row number as written ("1", "2", ...)
  MeasureCells cells;  // may be empty, "nan,00", "-nan,00", ...
};

struct ResultsTable {
  std::vector<ToothRow> teeth;
  std::array<MeasureCells, kStatisticsCount> statistics;
  std::string deepestNotch;  // the number after "Profondeur max :;"
};

struct ParsedResults {
  bool ok = false;
  std::string error;  // where and why the text is not a results table, when ok is false
  ResultsTable table;
};

// Parses the bytes of a results.csv. Lines may end in CR LF (as written) or LF alone; anything
// else must follow the layout exactly: the header line, tooth rows numbered 1, 2, ... with ten
// cells each, one empty line, the five statistics lines in order and the deepest notch last.
ParsedResults parseResults(const std::string& bytes);

// Reads and parses the file at path; a missing or unreadable file is an error.
ParsedResults readResultsFile(const std::string& path);

}  // namespace leafmargin::batch
