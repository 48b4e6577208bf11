#include "batch/tables/csv_records.h"

#include <fstream>
#include <sstream>

#include "report/csv_writer.h"

namespace leafmargin::batch {

bool parseCsvRecords(const std::string& text, CsvRecords& records,
                     std::vector<std::size_t>* firstLines) {
  records.clear();
  if (firstLines) firstLines->clear();
  std::vector<std::string> record;
  std::string field;
  const std::size_t n = text.size();
  std::size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::size_t line = 1, recordLine = 1;
  auto fail = [&] {
    if (firstLines) firstLines->push_back(recordLine);
    return false;
  };
  while (i < n) {
    if (text[i] == '"') {  // a quoted field runs to the quote not followed by another
      for (++i;; ++i) {
        if (i >= n) return fail();
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') ++i;
          else break;
        }
        if (text[i] == '\n') ++line;
        field += text[i];
      }
      ++i;
      if (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r') return fail();
    }
    for (; i < n && text[i] != ',' && text[i] != '\n'; ++i) {
      if (text[i] != '\r' || (i + 1 < n && text[i + 1] != '\n')) field += text[i];
    }
    record.push_back(std::move(field));
    field.clear();
    if (i < n && text[i] == ',') {
      ++i;
      if (i == n) record.emplace_back();
      continue;
    }
    ++i;  // past the line feed
    records.push_back(std::move(record));
    record.clear();
    if (firstLines) firstLines->push_back(recordLine);
    recordLine = ++line;
  }
  if (!record.empty()) {
    records.push_back(std::move(record));
    if (firstLines) firstLines->push_back(recordLine);
  }
  return true;
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool readCsvTable(const std::filesystem::path& file, CsvTable& table) {
  table = {};
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return false;
  CsvRecords records;
  if (!parseCsvRecords(readText(file), records) || records.empty()) return false;
  table.columns = records[0];
  for (std::size_t r = 1; r < records.size(); ++r) {
    CsvRow row;
    for (std::size_t c = 0; c < records[r].size() && c < table.columns.size(); ++c) {
      row[table.columns[c]] = records[r][c];
    }
    table.rows.push_back(std::move(row));
  }
  return true;
}

std::string fieldOf(const CsvRow& row, const std::string& column) {
  const auto found = row.find(column);
  return found == row.end() ? std::string(kNotAvailable) : found->second;
}

}  // namespace leafmargin::batch
