#include "geometry/chain.h"

#include <algorithm>

#include "geometry/numeric.h"
#include "geometry/segment_pixels.h"

namespace leafmargin {

std::optional<std::vector<cv::Point>> getAllPointsOfContour(const std::vector<cv::Point>& chain,
                                                            cv::Size size) {
  if (chain.empty()) return std::nullopt;
  std::vector<cv::Point> out;
  for (size_t k = 1; k < chain.size(); ++k) {
    const std::vector<cv::Point> piece = getAllPointsOfSegment(Segment(chain[k - 1], chain[k]), size);
    out.insert(out.end(), piece.begin(), piece.end());
  }
  return out;
}

std::vector<cv::Point> removeConsecutiveDuplicates(const std::vector<cv::Point>& chain) {
  std::vector<cv::Point> out;
  if (chain.empty()) return out;
  out.reserve(chain.size());
  out.push_back(chain[0]);
  for (size_t i = 1; i < chain.size(); ++i)
    if (chain[i] != chain[i - 1]) out.push_back(chain[i]);
  return out;
}

ChainSums::ChainSums(const std::vector<cv::Point>& chain, int first, int last) {
  const int n = first >= 0 && last >= first ? last - first + 1 : 0;
  x_.assign(n + 1, 0);
  y_.assign(n + 1, 0);
  for (int i = 0; i < n; ++i) {
    x_[i + 1] = x_[i] + chain[first + i].x;
    y_[i + 1] = y_[i] + chain[first + i].y;
  }
}

cv::Point ChainSums::mean(int from, int to) const {
  const long long count = to - from + 1;
  return {static_cast<int>((x_[to + 1] - x_[from]) / count),
          static_cast<int>((y_[to + 1] - y_[from]) / count)};
}

std::vector<cv::Point> smoothContour(const std::vector<cv::Point>& chain, int halfWidth) {
  const int n = static_cast<int>(chain.size());
  const ChainSums sums(chain);
  std::vector<cv::Point> out;
  out.reserve(chain.size());
  for (int i = 0; i < n; ++i) {
    const long long lo = std::max(static_cast<long long>(i) - halfWidth, 0LL);
    const long long hi = std::min(static_cast<long long>(i) + halfWidth, n - 1LL);
    out.push_back(sums.mean(static_cast<int>(lo), static_cast<int>(hi)));
  }
  return out;
}

std::optional<cv::Point> contourCenter(const std::vector<cv::Point>& chain) {
  if (chain.empty()) return std::nullopt;
  double sx = 0.0, sy = 0.0;
  for (const cv::Point& p : chain) {
    sx += p.x;
    sy += p.y;
  }
  const double n = static_cast<double>(chain.size());
  return cv::Point(truncToInt(sx / n), truncToInt(sy / n));
}

}  // namespace leafmargin
