// The blocks of a parallel loop: every block runs once whatever the threads, and what a block
// throws reaches the caller instead of ending the program.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "resources/parallel_blocks.h"

namespace leafmargin {
namespace {

TEST(ParallelBlocks, EveryBlockRunsAndTheFirstThrowingBlockIsRethrownOnTheCaller) {
  const struct {
    int blocks;
    std::vector<int> throwing;  // blocks that throw, each with its own number
  } cases[] = {{1, {}}, {4, {}}, {1, {0}}, {3, {2}}, {4, {3, 1}}, {4, {0, 2}}, {5, {4, 3, 2, 1, 0}}};
  for (const auto& c : cases) {
    std::vector<long> covered(100, 0);
    std::vector<std::atomic<int>> ran(c.blocks);
    int caught = -1;
    try {
      forEachBlock(100, c.blocks, [&](long begin, long end, int block) {
        ++ran[block];
        for (long i = begin; i < end; ++i) ++covered[i];
        for (int t : c.throwing)
          if (t == block) throw std::runtime_error(std::to_string(block));
      });
    } catch (const std::runtime_error& e) {
      caught = std::stoi(e.what());
    }
    const int first = c.throwing.empty() ? -1 : *std::min_element(c.throwing.begin(), c.throwing.end());
    EXPECT_EQ(caught, first) << c.blocks << " blocks";
    for (int b = 0; b < c.blocks; ++b) EXPECT_EQ(ran[b], 1) << "block " << b;
    EXPECT_EQ(covered, std::vector<long>(100, 1));
  }
}

}  // namespace
}  // namespace leafmargin
