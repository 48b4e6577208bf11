// Splitting a per-pixel or per-colour loop over a few std::threads. The range is cut into
// contiguous blocks in a fixed way, so that a caller who combines per-block results in block
// order (or only writes disjoint items) gets the same result for any number of threads.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

namespace leafmargin {

// The number of cores this process may run on (its CPU affinity), at least 1.
int availableCores();

// Calls body(begin, end, block) for `blocks` contiguous pieces of [0, count), block 0 on the
// calling thread and the others on their own threads; returns when all have finished. An empty
// piece is still called (with begin == end) so that per-block results keep their places.
template <class Body>
void forEachBlock(long count, int blocks, Body body) {
  blocks = std::max(1, blocks);
  auto bound = [&](int b) { return count * b / blocks; };
  std::vector<std::thread> workers;
  workers.reserve(blocks - 1);
  for (int b = 1; b < blocks; ++b) workers.emplace_back([&, b] { body(bound(b), bound(b + 1), b); });
  body(bound(0), bound(1), 0);
  for (auto& worker : workers) worker.join();
}

}  // namespace leafmargin
