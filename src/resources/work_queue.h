// One work queue for the program's parallel jobs (the windows of a whole leaf, the pictures of a
// batch): jobs 0..count-1 taken in order by up to `workers` threads, the calling thread among
// them, each job exactly once. What a job throws never escapes its thread: the queue stops
// handing out jobs and rethrows the first exception on the calling thread once all have joined.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace leafmargin {

// Calls job(i) for every i in [0, count) on at most `workers` threads (0 counts as 1).
template <class Job>
void runWorkQueue(std::size_t count, unsigned workers, Job job) {
  std::atomic<std::size_t> next{0};
  std::exception_ptr first;
  std::mutex failure;
  auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        job(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failure);
        if (!first) first = std::current_exception();
        next = count;  // no new job starts once one has failed
      }
    }
  };
  const std::size_t threads = std::min<std::size_t>(std::max(1u, workers), std::max<std::size_t>(count, 1));
  std::vector<std::thread> others;
  for (std::size_t t = 1; t < threads; ++t) {
    try {
      others.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads than asked: the ones running take every job
    }
  }
  work();
  for (std::thread& t : others) t.join();
  if (first) std::rethrow_exception(first);
}

}  // namespace leafmargin
