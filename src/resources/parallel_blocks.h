// Splitting a per-pixel or per-colour loop over a few std::threads. The range is cut into
// contiguous blocks in a fixed way, so that a caller who combines per-block results in block
// order (or only writes disjoint items) gets the same result for any number of threads. What a
// block throws never escapes its thread: it is rethrown on the calling thread.
#pragma once

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace leafmargin {

// The number of cores this process may run on (its CPU affinity), at least 1.
int availableCores();

// Calls body(begin, end, block) for `blocks` contiguous pieces of [0, count), block 0 on the
// calling thread and the others on their own threads (on the calling thread too, after block 0,
// when no more threads can be started); returns when all have finished. An empty piece is still
// called (with begin == end) so that per-block results keep their places. When blocks throw,
// every block still runs to its end and the exception of the first block that threw, in block
// order, is rethrown.
template <class Body>
void forEachBlock(long count, int blocks, Body body) {
  blocks = std::max(1, blocks);
  auto bound = [&](int b) { return count * b / blocks; };
  std::vector<std::exception_ptr> thrown(blocks);
  auto run = [&](int b) {
    try {
      body(bound(b), bound(b + 1), b);
    } catch (...) {
      thrown[b] = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(blocks - 1);
  int started = 1;
  for (; started < blocks; ++started) {
    try {
      workers.emplace_back(run, started);
    } catch (...) {
      break;  // no thread (or no memory for one): the calling thread takes the rest
    }
  }
  run(0);
  for (int b = started; b < blocks; ++b) run(b);
  for (auto& worker : workers) worker.join();
  for (const std::exception_ptr& e : thrown)
    if (e) std::rethrow_exception(e);
}

}  // namespace leafmargin
