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

bool writeCombinedTable(const std::filesystem::path& outdir,
                        const std::vector<PictureOutcome>& outcomes, std::string& error) {
  return writeFileAtomically(outdir / kCombinedFile, composeCombinedTable(outcomes), error);
}

BatchResult runBatch(const std::vector<PictureJob>& pictures, const BatchOptions& options,
                     std::ostream& progress) {
  BatchResult result;
  result.outcomes.resize(pictures.size());
  const int total = static_cast<int>(pictures.size());

  // Runs at a time times threads per run stays within the cores.
  const int workers = std::max(1, std::min(options.jobs, total));
  ProgramCall call = options.call;
  if (std::find(call.options.begin(), call.options.end(), "--threads") == call.options.end())
    call.options.insert(call.options.end(),
                        {"--threads", std::to_string(std::max(1, availableCores() / workers))});
  std::mutex reportMutex;
  int finished = 0;
  runWorkQueue(pictures.size(), static_cast<unsigned>(workers), [&](std::size_t i) {
    const PictureJob& job = pictures[i];
    PictureOutcome outcome = runPicture(call, job.picture, options.outdir / job.name, job.name);
    std::lock_guard<std::mutex> lock(reportMutex);
    progress << progressLine(++finished, total, outcome) << std::endl;
    if (!outcome.ok) ++result.failed;
    result.outcomes[i] = std::move(outcome);
  });

  result.tableWritten = writeCombinedTable(options.outdir, result.outcomes, result.tableError) &&
                        writeBatchReport(options.outdir, result.outcomes, result.tableError);
  return result;
}

}  // namespace leafmargin::batch
