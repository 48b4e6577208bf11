// The distinct colours of an 8-bit BGR picture, numbered in increasing order of their 24-bit
// value (red high, blue low). A leaf scan has a few tens of thousands of them against millions
// of pixels, so work that depends on the colour alone is done once per colour. indexOf is O(1):
// a presence bit per possible colour and the count of present colours before each 64-bit word.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

class ColourIndex {
 public:
  ColourIndex(const cv::Mat& picture, int threads);

  std::size_t size() const { return colours_.size(); }
  // The colour numbered i, as the picture stores it.
  cv::Vec3b colour(std::size_t i) const {
    const std::uint32_t key = colours_[i];
    return cv::Vec3b(key & 0xff, (key >> 8) & 0xff, key >> 16);
  }
  // The number of a colour present in the picture.
  std::uint32_t indexOf(const uchar* bgr) const {
    const std::uint32_t key = bgr[0] | (bgr[1] << 8) | (std::uint32_t(bgr[2]) << 16);
    const std::uint64_t word = present_[key >> 6];
    return before_[key >> 6] + bitCount(word & ((std::uint64_t(1) << (key & 63)) - 1));
  }

 private:
  // Inline, as the baseline x86-64 target has no popcount instruction and the library call
  // would be paid for every pixel.
  static std::uint32_t bitCount(std::uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ull);
    x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0full;
    return std::uint32_t((x * 0x0101010101010101ull) >> 56);
  }

  std::vector<std::uint64_t> present_;  // one bit per 24-bit colour
  std::vector<std::uint32_t> before_;   // present colours before each word of present_
  std::vector<std::uint32_t> colours_;  // 24-bit values, increasing
};

}  // namespace leafmargin
