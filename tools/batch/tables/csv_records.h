// Reading back the small comma-separated tables of the batch: the tidy tables that leaf-margin
// leaves in a picture folder, the per-picture job record and the sample sheet a user gives.
// RFC 4180 records (',' separators, fields optionally in double quotes with '""' for a quote, LF
// or CR LF line ends), as lists of field texts, and a table's rows as column-to-field maps.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace leafmargin::batch {

using CsvRecords = std::vector<std::vector<std::string>>;

// The records of text (a leading UTF-8 byte order mark skipped); false when a quoted field is
// not closed or a closing quote is followed by anything but ',' or a line end. firstLines, when
// given, gets the 1-based line on which each record begins, and on failure the line of the
// record that does not read.
bool parseCsvRecords(const std::string& text, CsvRecords& records,
                     std::vector<std::size_t>* firstLines = nullptr);

// One row of a table: column name to field text.
using CsvRow = std::map<std::string, std::string>;

// A table read back: its header and its rows; empty when the file is missing or does not read.
struct CsvTable {
  std::vector<std::string> columns;
  std::vector<CsvRow> rows;
};
// The table in file; false when it cannot be read or parsed, or has no header.
bool readCsvTable(const std::filesystem::path& file, CsvTable& table);

// The field of row named column; "NA" when the row has none.
std::string fieldOf(const CsvRow& row, const std::string& column);

// The whole file; "" when it cannot be read.
std::string readText(const std::filesystem::path& path);

}  // namespace leafmargin::batch
