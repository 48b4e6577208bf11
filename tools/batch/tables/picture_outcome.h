// What became of one picture of a batch, read back from its output folder: what the batch asked
// of the run ("job.csv"), the exit status it recorded ("status.txt"), the last line the run
// printed ("trace.txt"), its warnings and its own error line ("stderr.txt") and, for a complete
// run, its results (results.csv and the tidy tables, or the whole-leaf tables). The same reading
// serves the batch program and the combine step, so both describe a picture the same way.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "batch/tables/results_file.h"

namespace leafmargin::batch {

// File names inside the folder of one picture.
constexpr const char* kStatusFile = "status.txt";
constexpr const char* kTraceFile = "trace.txt";
constexpr const char* kErrorsFile = "stderr.txt";
constexpr const char* kResultsFile = "results.csv";
constexpr const char* kJobFile = "job.csv";
// Written by leaf-margin --whole-leaf.
constexpr const char* kWholeLeafTeethFile = "whole_leaf_teeth.csv";
constexpr const char* kWholeLeafLeavesFile = "whole_leaf_leaves.csv";
constexpr const char* kWholeLeafPictureFile = "whole_leaf.png";

// A sheet's own columns, carried as they are: name and field text, in the sheet's order.
using SheetFields = std::vector<std::pair<std::string, std::string>>;

// What the batch asked of one picture's run, kept in its folder as job.csv (columns
// "whole_leaf", "dpi", "leaf", then the sheet's own columns) so that a later gathering knows it.
struct PictureJobRecord {
  bool wholeLeaf = false;
  std::string dpi;   // the --dpi given to the run; "" for leaf-margin's default
  std::string leaf;  // the --leaf given to the run; "" for leaf-margin's default
  SheetFields sheet;
};

bool writeJobRecord(const std::filesystem::path& folder, const PictureJobRecord& job,
                    std::string& error);
// The record in folder; the record of a plain run (no whole leaf, no sheet) when there is none.
PictureJobRecord readJobRecord(const std::filesystem::path& folder);

struct PictureOutcome {
  std::string name;     // the folder name, which names the picture in every table
  bool ok = false;      // exit status 0 and the results of its mode well-formed
  std::string status;   // "0", "255", ... or "signal 11"; empty when no run was recorded
  std::string message;  // why the picture failed: the last line the run printed; empty when ok
  std::string error;    // the run's own error line on stderr, without "leaf-margin: "
  std::vector<std::string> warnings;  // its "warning: " lines on stderr, without the prefix
  PictureJobRecord job;
  ResultsTable results;           // a crop run: filled when ok
  std::vector<int> teethPerLeaf;  // a whole-leaf run: one count per leaf, filled when ok
};

// The status text of a finished child as waitpid reported it.
std::string statusText(int waitStatus);

// Writes status followed by a line feed to folder/status.txt; false (with error set) on failure.
bool writeStatusFile(const std::filesystem::path& folder, const std::string& status,
                     std::string& error);

// Reads the outcome of the picture whose output folder is folder. A failed exit status takes the
// last non-empty line of trace.txt as its message ("Cannot read the image: ..."); status 0 with
// missing or malformed results is a failure too (for a crop: results.csv, teeth.csv and
// picture.csv; for a whole-leaf run: whole_leaf_teeth.csv).
PictureOutcome gatherPicture(const std::filesystem::path& folder, const std::string& name);

// Why the picture failed as a person reads it: the run's own error line when it printed one
// ("cannot read /in/x.jpg: no such file"), else the message.
std::string failureText(const PictureOutcome& outcome);

// The teeth of an ok picture (all its leaves' for a whole-leaf run).
std::size_t teethCount(const PictureOutcome& outcome);

// "name: ok, 12 teeth", "name: ok, 2 leaves, 21 teeth" or "name: failed (status 255): cannot read
// /in/x.jpg: no such file", followed by ", 1 warning: <text>" or ", 2 warnings: <a> | <b>".
std::string describeOutcome(const PictureOutcome& outcome);

// The warnings joined by " | ".
std::string joinedWarnings(const std::vector<std::string>& warnings);

}  // namespace leafmargin::batch
