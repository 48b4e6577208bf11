// leafmargin-combine: gathers the picture folders that earlier runs left in OUTDIR (each holding
// status.txt and trace.txt, and results.csv when complete) into OUTDIR/combined.csv and the tidy
// outputs (teeth.csv, pictures.csv, report.html), in byte order of the folder names, and prints
// one line per picture.
//   leafmargin-combine OUTDIR
// Exit status: 0 when every picture succeeded, 1 when some failed (the table is written all the
// same), 2 for a usage error, 3 when one of those files cannot be written.
#include <filesystem>
#include <iostream>
#include <string>

#include "batch/run/batch_run.h"
#include "batch/tables/batch_report.h"
#include "batch/tables/combined_table.h"

namespace fs = std::filesystem;
using namespace leafmargin::batch;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: leafmargin-combine OUTDIR\n";
    return 2;
  }
  const fs::path outdir = fs::absolute(argv[1]).lexically_normal();
  std::error_code ec;
  if (!fs::is_directory(outdir, ec)) {
    std::cerr << "leafmargin-combine: " << outdir.string() << " is not a folder\n";
    return 2;
  }

  const std::vector<PictureOutcome> outcomes = gatherOutputFolder(outdir);
  const int total = static_cast<int>(outcomes.size());
  int failed = 0;
  for (int i = 0; i < total; ++i) {
    std::cout << progressLine(i + 1, total, outcomes[static_cast<std::size_t>(i)]) << "\n";
    if (!outcomes[static_cast<std::size_t>(i)].ok) ++failed;
  }
  std::string error;
  if (!writeCombinedTable(outdir, outcomes, error) || !writeBatchReport(outdir, outcomes, error)) {
    std::cerr << "leafmargin-combine: " << error << "\n";
    return 3;
  }
  std::cout << (outdir / kCombinedFile).string() << ": " << total - failed << " ok, " << failed
            << " failed" << std::endl;
  return failed > 0 ? 1 : 0;
}
