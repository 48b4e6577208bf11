#include "batch/tables/picture_outcome.h"

#include <sys/wait.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

namespace leafmargin::batch {

namespace fs = std::filesystem;

namespace {

const char* const kSignalPrefix = "signal ";

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

std::string lastNonEmptyLine(const std::string& text) {
  std::istringstream lines(text);
  std::string line, last;
  while (std::getline(lines, line)) {
    if (!trimmed(line).empty()) last = trimmed(line);
  }
  return last;
}

bool isExitCode(const std::string& text) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return std::stoi(text) <= 255;
}

bool isSignal(const std::string& text) {
  const std::size_t prefix = std::strlen(kSignalPrefix);
  return text.compare(0, prefix, kSignalPrefix) == 0 && isExitCode(text.substr(prefix));
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

}  // namespace

std::string statusText(int waitStatus) {
  if (WIFSIGNALED(waitStatus)) return kSignalPrefix + std::to_string(WTERMSIG(waitStatus));
  return std::to_string(WEXITSTATUS(waitStatus));
}

bool writeStatusFile(const fs::path& folder, const std::string& status, std::string& error) {
  const fs::path path = folder / kStatusFile;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << status << '\n';
  file.close();
  if (!file) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

PictureOutcome gatherPicture(const fs::path& folder, const std::string& name) {
  PictureOutcome outcome;
  outcome.name = name;

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
    const std::string last = lastNonEmptyLine(trace);
    return failed(outcome, last.empty() ? "the run printed nothing" : last);
  }

  if (!fs::exists(folder / kResultsFile)) return failed(outcome, "results.csv missing");
  ParsedResults parsed = readResultsFile((folder / kResultsFile).string());
  if (!parsed.ok) return failed(outcome, "results.csv " + parsed.error);
  outcome.ok = true;
  outcome.results = std::move(parsed.table);
  return outcome;
}

std::string describeOutcome(const PictureOutcome& outcome) {
  if (outcome.ok) {
    const std::size_t teeth = outcome.results.teeth.size();
    return outcome.name + ": ok, " + std::to_string(teeth) + (teeth == 1 ? " tooth" : " teeth");
  }
  std::string text = outcome.name + ": failed";
  if (isSignal(outcome.status)) text += " (" + outcome.status + ")";
  else if (!outcome.status.empty()) text += " (status " + outcome.status + ")";
  return text + ": " + outcome.message;
}

}  // namespace leafmargin::batch
