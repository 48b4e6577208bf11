#include "batch/tables/csv_records.h"

#include <algorithm>

namespace leafmargin::batch {

bool parseCsvRecords(const std::string& text, CsvRecords& records) {
  records.clear();
  std::vector<std::string> record;
  std::string field;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] == '"') {  // a quoted field runs to the quote not followed by another
      for (++i;; ++i) {
        if (i >= n) return false;
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') ++i;
          else break;
        }
        field += text[i];
      }
      ++i;
      if (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r') return false;
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
  }
  if (!record.empty()) records.push_back(std::move(record));
  return true;
}

std::string firstRecordField(const CsvRecords& records, const std::string& column) {
  if (records.size() < 2) return "";
  const std::vector<std::string>& header = records[0];
  const auto found = std::find(header.begin(), header.end(), column);
  const std::size_t index = static_cast<std::size_t>(found - header.begin());
  return index < records[1].size() ? records[1][index] : "";
}

}  // namespace leafmargin::batch
