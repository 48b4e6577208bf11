#include "batch/run/batch_run.h"

#include <algorithm>
#include <mutex>

#include "batch/run/picture_run.h"
#include "batch/tables/batch_report.h"
#include "batch/tables/combined_table.h"
#include "resources/parallel_blocks.h"
#include "resources/work_queue.h"

namespace leafmargin::batch {

std::string progressLine(int finished, int total, const PictureOutcome& outcome) {
  return "[" + std::to_string(finished) + "/" + std::to_string(total) + "] " +
         describeOutcome(outcome);
}

int failedCount(const std::vector<PictureOutcome>& outcomes) {
  return static_cast<int>(std::count_if(outcomes.begin(), outcomes.end(),
                                        [](const PictureOutcome& o) { return !o.ok; }));
}

std::string summaryLine(const std::filesystem::path& table, const std::vector<PictureOutcome>& outcomes) {
  const int failed = failedCount(outcomes);
  const auto warned = std::count_if(outcomes.begin(), outcomes.end(), [](const PictureOutcome& o) {
    return o.ok && !o.warnings.empty();
  });
  return table.string() + ": " + std::to_string(outcomes.size() - failed) + " ok" +
         (warned > 0 ? " (" + std::to_string(warned) + " with warnings)" : std::string()) + ", " +
         std::to_string(failed) + " failed";
}

bool writeCombinedTable(const std::filesystem::path& outdir,
                        const std::vector<PictureOutcome>& outcomes, std::string& error) {
  return writeFileAtomically(outdir / kCombinedFile, composeCombinedTable(outcomes), error);
}

bool writeBatchTables(const std::filesystem::path& outdir,
                      const std::vector<PictureOutcome>& outcomes, std::string& error) {
  return writeCombinedTable(outdir, outcomes, error) && writeBatchReport(outdir, outcomes, error);
}

BatchResult runBatch(const std::vector<PictureJob>& pictures, const BatchOptions& options,
                     std::ostream& progress) {
  BatchResult result;
  result.outcomes.resize(pictures.size());
  const int total = static_cast<int>(pictures.size());

  // Runs at a time times threads per run stays within the cores.
  const int workers = std::max(1, std::min(options.jobs, total));
  ProgramCall call = options.call;
  if (call.threads.empty()) call.threads = std::to_string(std::max(1, availableCores() / workers));
  std::mutex reportMutex;
  int finished = 0;
  runWorkQueue(pictures.size(), static_cast<unsigned>(workers), [&](std::size_t i) {
    const PictureJob& job = pictures[i];
    PictureOutcome outcome = runPicture(call, job, options.outdir / job.name);
    std::lock_guard<std::mutex> lock(reportMutex);
    progress << progressLine(++finished, total, outcome) << std::endl;
    result.outcomes[i] = std::move(outcome);
  });

  result.tableWritten = writeBatchTables(options.outdir, result.outcomes, result.tableError);
  return result;
}

}  // namespace leafmargin::batch
