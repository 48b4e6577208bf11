// Operations on point chains: densifying a polyline into 8-connected pixels, dropping repeated
// consecutive points, integer means of stretches (the centred moving average among them), and
// the mean point. Chains are open: no piece joins the last point back to the first.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace leafmargin {

// The pixels of every piece k-1 -> k in order (getAllPointsOfSegment; inner points appear twice
// in a row). std::nullopt for an empty chain; a chain of one point gives an empty list.
std::optional<std::vector<cv::Point>> getAllPointsOfContour(const std::vector<cv::Point>& chain,
                                                            cv::Size size);
// The chain without points equal to the point just before them.
std::vector<cv::Point> removeConsecutiveDuplicates(const std::vector<cv::Point>& chain);

// Running sums of the coordinates of a stretch of a chain: the integer mean of any window of it
// in constant time. The mean is each coordinate sum divided by the point count, truncated
// toward zero, as summing the window afresh in int arithmetic gives it.
class ChainSums {
 public:
  // The stretch chain[first..last]; empty when first < 0 or last < first.
  ChainSums(const std::vector<cv::Point>& chain, int first, int last);
  explicit ChainSums(const std::vector<cv::Point>& chain)
      : ChainSums(chain, 0, static_cast<int>(chain.size()) - 1) {}
  int size() const { return static_cast<int>(x_.size()) - 1; }
  // Mean of the points from..to of the stretch, both included (0 <= from <= to < size()).
  cv::Point mean(int from, int to) const;

 private:
  std::vector<long long> x_, y_;  // x_[i]: sum of the first i x values
};

// Point i becomes the integer mean of points max(i-h,0)..min(i+h,n-1).
std::vector<cv::Point> smoothContour(const std::vector<cv::Point>& chain, int halfWidth);
// The mean point, each coordinate summed as double and truncated; nullopt for an empty chain.
std::optional<cv::Point> contourCenter(const std::vector<cv::Point>& chain);

}  // namespace leafmargin
