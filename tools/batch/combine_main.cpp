// leafmargin-combine: gathers the picture folders that earlier runs left in OUTDIR (each holding
// status.txt and trace.txt, and its results when complete) into OUTDIR/combined.csv and the
// tidy outputs (teeth.csv, pictures.csv, leaves.csv, report.html), in byte order of the folder
// names, and prints one line per picture.
//   leafmargin-combine OUTDIR
// Exit status: 0 when every picture succeeded, 1 when some failed (the tables are written all
// the same), 64 for a wrong command line, 3 when one of those files cannot be written.
#include <filesystem>
#include <iostream>
#include <string>

#include "batch/run/batch_run.h"
#include "batch/tables/combined_table.h"
#include "run/failure.h"

namespace fs = std::filesystem;
using namespace leafmargin::batch;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "leafmargin-combine: give OUTDIR, the batch's output folder (usage: "
                 "leafmargin-combine OUTDIR)\n";
    return leafmargin::kExitUsage;
  }
  const fs::path outdir = fs::absolute(argv[1]).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(outdir, ec)) {
    std::cerr << "leafmargin-combine: " << outdir.string() << " is not a folder\n";
    return leafmargin::kExitUsage;
  }

  const std::vector<PictureOutcome> outcomes = gatherOutputFolder(outdir);
  const int total = static_cast<int>(outcomes.size());
  for (int i = 0; i < total; ++i) {
    std::cout << progressLine(i + 1, total, outcomes[static_cast<std::size_t>(i)]) << "\n";
  }
  std::string error;
  if (!writeBatchTables(outdir, outcomes, error)) {
    std::cerr << "leafmargin-combine: " << error << "\n";
    return leafmargin::kExitNotWritten;
  }
  std::cout << summaryLine(outdir / kCombinedFile, outcomes) << std::endl;
  return failedCount(outcomes) > 0 ? 1 : 0;
}
