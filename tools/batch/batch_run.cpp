#include "batch/batch_run.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "batch/batch_report.h"
#include "batch/combined_table.h"
#include "batch/picture_run.h"

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

  std::atomic<int> next{0};
  std::mutex reportMutex;
  int finished = 0;
  auto worker = [&]() {
    for (int i = next++; i < total; i = next++) {
      const PictureJob& job = pictures[static_cast<std::size_t>(i)];
      PictureOutcome outcome = runPicture(options.call, job.picture, options.outdir / job.name, job.name);
      std::lock_guard<std::mutex> lock(reportMutex);
      progress << progressLine(++finished, total, outcome) << std::endl;
      if (!outcome.ok) ++result.failed;
      result.outcomes[static_cast<std::size_t>(i)] = std::move(outcome);
    }
  };

  const int workers = std::max(1, std::min(options.jobs, total));
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) threads.emplace_back(worker);
  for (std::thread& thread : threads) thread.join();

  result.tableWritten = writeCombinedTable(options.outdir, result.outcomes, result.tableError) &&
                        writeBatchReport(options.outdir, result.outcomes, result.tableError);
  return result;
}

}  // namespace leafmargin::batch
