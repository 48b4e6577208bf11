#include "grabcut/colour_index.h"

#include "resources/parallel_blocks.h"

namespace leafmargin {

namespace {
constexpr std::size_t kWords = (std::size_t(1) << 24) / 64;
}

ColourIndex::ColourIndex(const cv::Mat& picture, int threads)
    : present_(kWords, 0), before_(kWords, 0) {
  CV_Assert(picture.type() == CV_8UC3);
  // Each block marks its rows in a bit set of its own (2 MiB, so a few blocks at most); the sets
  // are then merged.
  threads = std::min(std::max(1, threads), 4);
  std::vector<std::vector<std::uint64_t>> marks(threads - 1);
  forEachBlock(picture.rows, threads, [&](long y0, long y1, int block) {
    std::vector<std::uint64_t>& bits = block == 0 ? present_ : marks[block - 1];
    if (block != 0) bits.assign(kWords, 0);
    for (long y = y0; y < y1; ++y) {
      const uchar* p = picture.ptr<uchar>(int(y));
      for (int x = 0; x < picture.cols; ++x, p += 3) {
        const std::uint32_t key = p[0] | (p[1] << 8) | (std::uint32_t(p[2]) << 16);
        bits[key >> 6] |= std::uint64_t(1) << (key & 63);
      }
    }
  });
  for (const auto& bits : marks)
    for (std::size_t w = 0; w < kWords; ++w) present_[w] |= bits[w];

  std::uint32_t count = 0;
  for (std::size_t w = 0; w < kWords; ++w) {
    before_[w] = count;
    count += bitCount(present_[w]);
  }
  colours_.reserve(count);
  for (std::size_t w = 0; w < kWords; ++w)
    for (std::uint64_t bits = present_[w]; bits; bits &= bits - 1)
      colours_.push_back(std::uint32_t(w * 64 + __builtin_ctzll(bits)));
}

}  // namespace leafmargin
