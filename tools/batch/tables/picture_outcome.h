// What became of one picture of a batch, read back from its output folder: the exit status that
// the batch recorded in "status.txt", the last line the run printed ("trace.txt") and, for a
// complete run, its results.csv. The same reading serves the batch program and the combine step,
// so both describe a picture the same way.
#pragma once

#include <filesystem>
#include <string>

#include "batch/tables/results_file.h"

namespace leafmargin::batch {

// File names inside the folder of one picture.
constexpr const char* kStatusFile = "status.txt";
constexpr const char* kTraceFile = "trace.txt";
constexpr const char* kErrorsFile = "stderr.txt";
constexpr const char* kResultsFile = "results.csv";

struct PictureOutcome {
  std::string name;     // the folder name, which names the picture in every table
  bool ok = false;      // exit status 0 and a well-formed results.csv
  std::string status;   // "0", "255", ... or "signal 11"; empty when no run was recorded
  std::string message;  // why the picture failed; empty when ok
  ResultsTable results; // filled when ok
};

// The status text of a finished child as waitpid reported it.
std::string statusText(int waitStatus);

// Writes status followed by a line feed to folder/status.txt; false (with error set) on failure.
bool writeStatusFile(const std::filesystem::path& folder, const std::string& status,
                     std::string& error);

// Reads the outcome of the picture whose output folder is folder. A failed exit status takes the
// last non-empty line of trace.txt as its message ("Cannot read the image: ..."); status 0 with a
// missing or malformed results.csv is a failure too.
PictureOutcome gatherPicture(const std::filesystem::path& folder, const std::string& name);

// "name: ok, 12 teeth" or "name: failed (status 255): Cannot read the image: x.jpg".
std::string describeOutcome(const PictureOutcome& outcome);

}  // namespace leafmargin::batch
