#include "batch/tables/picture_outcome.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "batch/tables/csv_records.h"
#include "report/csv_writer.h"
#include "report/tidy_tables.h"
#include "run/atomic_file.h"
#include "run/output_file.h"

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

const char* const kSignalPrefix = "signal ";
const char* const kWarningPrefix = "warning: ";
const char* const kErrorPrefix = "leaf-margin: ";

bool readWholeFile(const fs::path& path, std::string& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream text;
  text << file.rdbuf();
  bytes = text.str();
  return !file.bad();
}

std::string trimmed(const std::string& text) {
  const char* const blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> nonEmptyLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!trimmed(line).empty()) lines.push_back(trimmed(line));
  }
  return lines;
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool isExitCode(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return std::stoi(text) <= 255;
}

bool isSignal(const std::string& text) {
  return startsWith(text, kSignalPrefix) && isExitCode(text.substr(std::strlen(kSignalPrefix)));
}

std::string signalMessage(const std::string& status) {
  const int signal = std::stoi(status.substr(std::strlen(kSignalPrefix)));
  const char* name = strsignal(signal);
  return "killed by signal " + std::to_string(signal) + (name ? std::string(" (") + name + ")" : "");
}

PictureOutcome failed(PictureOutcome outcome, const std::string& message) {
  outcome.ok = false;
  outcome.message = message;
  return outcome;
}

// The warnings and the last error line that the run wrote on its standard error.
void readErrors(const fs::path& folder, PictureOutcome& outcome) {
  std::string text;
  if (!readWholeFile(folder / kErrorsFile, text)) return;
  for (const std::string& line : nonEmptyLines(text)) {
    if (startsWith(line, kWarningPrefix)) outcome.warnings.push_back(line.substr(std::strlen(kWarningPrefix)));
    else if (startsWith(line, kErrorPrefix)) outcome.error = line.substr(std::strlen(kErrorPrefix));
  }
}

// The leaves of a whole-leaf run: the rows of its leaf table, else its "leaves: N" line.
std::size_t wholeLeafCount(const fs::path& folder, const CsvTable& teeth) {
  CsvTable leaves;
  if (readCsvTable(folder / kWholeLeafLeavesFile, leaves)) return leaves.rows.size();
  std::string trace;
  readWholeFile(folder / kTraceFile, trace);
  for (const std::string& line : nonEmptyLines(trace)) {
    if (startsWith(line, "leaves: ") && isExitCode(line.substr(8))) return std::stoul(line.substr(8));
  }
  std::set<std::string> seen;
  for (const CsvRow& row : teeth.rows) seen.insert(fieldOf(row, "leaf"));
  return seen.size();
}

PictureOutcome gatherWholeLeaf(const fs::path& folder, PictureOutcome outcome) {
  CsvTable teeth;
  if (!readCsvTable(folder / kWholeLeafTeethFile, teeth)) {
    return failed(outcome, std::string(kWholeLeafTeethFile) + " missing or unreadable");
  }
  outcome.teethPerLeaf.assign(wholeLeafCount(folder, teeth), 0);
  for (const CsvRow& row : teeth.rows) {
    const std::string leaf = fieldOf(row, "leaf");
    const std::size_t number = isExitCode(leaf) ? std::stoul(leaf) : 0;
    if (number == 0) return failed(outcome, std::string(kWholeLeafTeethFile) + ": a tooth without its leaf");
    if (number > outcome.teethPerLeaf.size()) outcome.teethPerLeaf.resize(number, 0);
    ++outcome.teethPerLeaf[number - 1];
  }
  outcome.ok = true;
  return outcome;
}

PictureOutcome gatherCrop(const fs::path& folder, PictureOutcome outcome) {
  if (!fs::exists(folder / kResultsFile)) return failed(outcome, "results.csv missing");
  ParsedResults parsed = readResultsFile((folder / kResultsFile).string());
  if (!parsed.ok) return failed(outcome, "results.csv " + parsed.error);
  CsvTable tidy;
  for (const char* table : {kTeethTableFile, kPictureTableFile}) {
    if (!readCsvTable(folder / table, tidy)) return failed(outcome, std::string(table) + " missing or unreadable");
  }
  outcome.ok = true;
  outcome.results = std::move(parsed.table);
  return outcome;
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool writeJobRecord(const fs::path& folder, const PictureJobRecord& job, std::string& error) {
  std::vector<std::string> names{"whole_leaf", "dpi", "leaf"};
  std::vector<std::string> fields{job.wholeLeaf ? "true" : "false", csvField(job.dpi),
                                  csvField(job.leaf)};
  for (const auto& [name, value] : job.sheet) {
    names.push_back(csvField(name));
    fields.push_back(csvField(value));
  }
  const MaybeFailure failure =
      writeFileAtomically(folder.string(), kJobFile, csvRecord(names) + csvRecord(fields));
  if (failure) error = failure->message;
  return !failure;
}

PictureJobRecord readJobRecord(const fs::path& folder) {
  PictureJobRecord job;
  CsvRecords records;
  if (!parseCsvRecords(readText(folder / kJobFile), records) || records.size() < 2) return job;
  const std::vector<std::string>& names = records[0];
  const std::vector<std::string>& fields = records[1];
  for (std::size_t c = 0; c < names.size() && c < fields.size(); ++c) {
    if (names[c] == "whole_leaf") job.wholeLeaf = fields[c] == "true";
    else if (names[c] == "dpi") job.dpi = fields[c];
    else if (names[c] == "leaf") job.leaf = fields[c];
    else job.sheet.emplace_back(names[c], fields[c]);
  }
  return job;
}

std::string statusText(int waitStatus) {
  if (WIFSIGNALED(waitStatus)) return kSignalPrefix + std::to_string(WTERMSIG(waitStatus));
  return std::to_string(WEXITSTATUS(waitStatus));
}

bool writeStatusFile(const fs::path& folder, const std::string& status, std::string& error) {
  const MaybeFailure failure = writeFileAtomically(folder.string(), kStatusFile, status + "\n");
  if (failure) error = failure->message;
  return !failure;
}

PictureOutcome gatherPicture(const fs::path& folder, const std::string& name) {
  PictureOutcome outcome;
  outcome.name = name;
  outcome.job = readJobRecord(folder);
  readErrors(folder, outcome);

  std::string statusBytes;
  if (!readWholeFile(folder / kStatusFile, statusBytes)) {
    return failed(outcome, "no status.txt: the run did not finish");
  }
  outcome.status = trimmed(statusBytes);
  if (isSignal(outcome.status)) return failed(outcome, signalMessage(outcome.status));
  if (!isExitCode(outcome.status)) {
    const std::string shown = outcome.status;
    outcome.status.clear();
    return failed(outcome, "status.txt does not hold an exit status: " + shown);
  }

  if (outcome.status != "0") {
    std::string trace;
    readWholeFile(folder / kTraceFile, trace);
    const std::vector<std::string> lines = nonEmptyLines(trace);
    return failed(outcome, lines.empty() ? "the run printed nothing" : lines.back());
  }
  outcome.error.clear();  // a complete run's stderr holds no error of its own
  return outcome.job.wholeLeaf ? gatherWholeLeaf(folder, std::move(outcome))
                               : gatherCrop(folder, std::move(outcome));
}

std::string failureText(const PictureOutcome& outcome) {
  return outcome.error.empty() ? outcome.message : outcome.error;
}

std::size_t teethCount(const PictureOutcome& outcome) {
  if (!outcome.job.wholeLeaf) return outcome.results.teeth.size();
  std::size_t teeth = 0;
  for (int n : outcome.teethPerLeaf) teeth += static_cast<std::size_t>(n);
  return teeth;
}

std::string joinedWarnings(const std::vector<std::string>& warnings) {
  std::string text;
  for (const std::string& warning : warnings) text += (text.empty() ? "" : " | ") + warning;
  return text;
}

std::string describeOutcome(const PictureOutcome& outcome) {
  std::string text = outcome.name;
  if (outcome.ok) {
    text += ": ok, ";
    if (outcome.job.wholeLeaf) text += plural(outcome.teethPerLeaf.size(), "leaf", "leaves") + ", ";
    text += plural(teethCount(outcome), "tooth", "teeth");
  } else {
    text += ": failed";
    if (isSignal(outcome.status)) text += " (" + outcome.status + ")";
    else if (!outcome.status.empty()) text += " (status " + outcome.status + ")";
    text += ": " + failureText(outcome);
  }
  if (!outcome.warnings.empty()) {
    text += ", " + plural(outcome.warnings.size(), "warning", "warnings") + ": " +
            joinedWarnings(outcome.warnings);
  }
  return text;
}

}  // namespace leafmargin::batch
