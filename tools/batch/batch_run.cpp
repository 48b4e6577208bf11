#include "batch/batch_run.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "batch/batch_report.h"
#include "batch/combined_table.h"
#include "batch/picture_run.h"
#include "segmentation/parallel_blocks.h"

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
  std::atomic<int> next{0};
  std::mutex reportMutex;
  int finished = 0;
  auto worker = [&]() {
    for (int i = next++; i < total; i = next++) {
      const PictureJob& job = pictures[static_cast<std::size_t>(i)];
      PictureOutcome outcome = runPicture(call, job.picture, options.outdir / job.name, job.name);
      std::lock_guard<std::mutex> lock(reportMutex);
      progress << progressLine(++finished, total, outcome) << std::endl;
      if (!outcome.ok) ++result.failed;
      result.outcomes[static_cast<std::size_t>(i)] = std::move(outcome);
    }
  };

  std::vector<std::thread> runners;
  for (int w = 0; w < workers; ++w) runners.emplace_back(worker);
  for (std::thread& runner : runners) runner.join();

  result.tableWritten = writeCombinedTable(options.outdir, result.outcomes, result.tableError) &&
                        writeBatchReport(options.outdir, result.outcomes, result.tableError);
  return result;
}

}  // namespace leafmargin::batch
