// A batch: every picture analysed by its own run of leaf-margin in outdir/<name>/, at most
// `jobs` runs at a time, one progress line per finished picture, and the combined table of all
// of them written at the end. A failed picture never stops the others.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "batch/run/picture_list.h"
#include "batch/run/picture_run.h"
#include "batch/tables/picture_outcome.h"

namespace leafmargin::batch {

struct BatchOptions {
  ProgramCall call;  // leaf-margin and what every run is given
  std::filesystem::path outdir;
  int jobs = 1;  // runs at a time; unless call.threads is set, each run gets an equal share of
                 // the cores as its --threads
};

struct BatchResult {
  std::vector<PictureOutcome> outcomes;  // in the order of the pictures
  bool tableWritten = false;
  std::string tableError;
};

// "[3/40] grape_300: ok, 12 teeth": the count of pictures finished so far, including this one.
std::string progressLine(int finished, int total, const PictureOutcome& outcome);

// The closing line: "<table>: 13 ok (3 with warnings), 1 failed" (no parenthesis when no ok
// picture has a warning).
std::string summaryLine(const std::filesystem::path& table, const std::vector<PictureOutcome>& outcomes);

// The pictures that failed.
int failedCount(const std::vector<PictureOutcome>& outcomes);

// Runs the batch, prints each progress line to progress as its picture finishes (whole lines,
// flushed), then writes outdir/combined.csv and the tidy outputs (batch_report.h) with the
// pictures in their given order.
BatchResult runBatch(const std::vector<PictureJob>& pictures, const BatchOptions& options,
                     std::ostream& progress);

// Writes outdir/combined.csv for outcomes; false (with error set) when it cannot.
bool writeCombinedTable(const std::filesystem::path& outdir,
                        const std::vector<PictureOutcome>& outcomes, std::string& error);

// Writes combined.csv and the tidy outputs; false (with error set) when one cannot be written.
bool writeBatchTables(const std::filesystem::path& outdir,
                      const std::vector<PictureOutcome>& outcomes, std::string& error);

}  // namespace leafmargin::batch
