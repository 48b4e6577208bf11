#include "batch/run/sample_sheet.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <system_error>

#include "app/options.h"
#include "batch/tables/batch_report.h"
#include "batch/tables/csv_records.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

const char* const kOwnSettings[] = {"picture", "dpi", "leaf", "whole_leaf"};

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string checkWholeLeaf(const std::string& text) {
  const std::string lower = lowerCase(text);
  if (lower == "true" || lower == "false" || lower == "1" || lower == "0") return "";
  return "must be true or false (got '" + text + "')";
}

// The problem with the header's column names, or "".
std::string headerProblem(const std::vector<std::string>& names, std::size_t first, std::string& column) {
  const std::vector<std::string> own = batchOwnColumns();
  for (std::size_t c = first; c < names.size(); ++c) {
    column = names[c].empty() ? "number " + std::to_string(c + 1) : names[c];
    if (names[c].empty()) return "has no name";
    if (std::count(names.begin(), names.end(), names[c]) > 1) return "is named twice";
    const bool setting = std::find(std::begin(kOwnSettings), std::end(kOwnSettings), names[c]) !=
                         std::end(kOwnSettings);
    if (!setting && std::find(own.begin(), own.end(), names[c]) != own.end()) {
      return "the batch fills a column of that name itself";
    }
  }
  column = "picture";
  if (std::find(names.begin(), names.end(), "picture") == names.end()) return "missing";
  return "";
}

// Applies the field of column to entry; the problem or "".
std::string applyField(const std::string& column, const std::string& field, const fs::path& folder,
                       SheetEntry& entry) {
  if (column == "picture") {
    if (field.empty()) return "empty";
    entry.picture = (folder / field).lexically_normal();
    std::error_code ec;
    if (!fs::exists(entry.picture, ec)) return "no such file " + entry.picture.string();
    if (fs::is_directory(entry.picture, ec)) return entry.picture.string() + " is a folder";
    return "";
  }
  if (field.empty() && column != "picture" &&
      std::find(std::begin(kOwnSettings), std::end(kOwnSettings), column) != std::end(kOwnSettings)) {
    return "";  // the batch's option stays
  }
  if (column == "dpi") {
    entry.job.dpi = field;
    return checkDpi(field);
  }
  if (column == "leaf") {
    entry.job.leaf = field;
    return checkLeaf(field);
  }
  if (column == "whole_leaf") {
    entry.job.wholeLeaf = lowerCase(field) == "true" || field == "1";
    return checkWholeLeaf(field);
  }
  entry.job.sheet.emplace_back(column, field);
  return "";
}

}  // namespace

bool readSampleSheet(const fs::path& path, const PictureJobRecord& defaults,
                     std::vector<SheetEntry>& entries, std::string& error) {
  entries.clear();
  const auto fail = [&](std::size_t line, const std::string& column, const std::string& problem) {
    error = path.string() + ", line " + std::to_string(line) + ", column " + column + ": " + problem;
    entries.clear();
    return false;
  };
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return fail(1, "picture", "no such sheet");
  CsvRecords records;
  std::vector<std::size_t> lines;
  if (!parseCsvRecords(readText(path), records, &lines)) {
    return fail(lines.empty() ? 1 : lines.back(), "-", "a quoted field is not closed");
  }
  if (records.empty()) return fail(1, "picture", "the sheet is empty");
  const std::vector<std::string>& names = records[0];
  const std::size_t first = !names.empty() && names[0].empty() ? 1 : 0;  // pandas' index
  std::string column;
  if (const std::string problem = headerProblem(names, first, column); !problem.empty()) {
    return fail(1, column, problem);
  }
  const fs::path folder = fs::absolute(path).parent_path();
  std::map<fs::path, std::size_t> listed;
  for (std::size_t r = 1; r < records.size(); ++r) {
    const std::vector<std::string>& fields = records[r];
    if (fields.size() == 1 && fields[0].empty()) continue;  // a blank line
    if (fields.size() != names.size()) {
      return fail(lines[r], "-", std::to_string(fields.size()) + " fields, the header has " +
                                     std::to_string(names.size()));
    }
    SheetEntry entry{{}, defaults};
    for (std::size_t c = first; c < names.size(); ++c) {
      if (const std::string problem = applyField(names[c], fields[c], folder, entry); !problem.empty()) {
        return fail(lines[r], names[c], problem);
      }
    }
    const auto [at, fresh] = listed.emplace(entry.picture, lines[r]);
    if (!fresh) {
      return fail(lines[r], "picture", entry.picture.string() + " is listed on line " +
                                           std::to_string(at->second) + " already");
    }
    entries.push_back(std::move(entry));
  }
  if (entries.empty()) return fail(2, "picture", "the sheet lists no picture");
  return true;
}

}  // namespace leafmargin::batch
