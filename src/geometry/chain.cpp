#include "geometry/chain.h"

#include <algorithm>

#include "geometry/numeric.h"
#include "geometry/segment_pixels.h"

namespace leafmargin {

const char* const kEmptyContourMessage = "Erreur à getAllPointsOfContour : contour.size()=0";
const char* const kEmptyCenterMessage = "ERROR ! NO CONTOUR TO COMPUTE CONTOUR CENTER !";

std::optional<std::vector<cv::Point>> getAllPointsOfContour(const std::vector<cv::Point>& chain,
                                                            cv::Size size) {
  if (chain.empty()) return std::nullopt;
  std::vector<cv::Point> out;
  for (size_t k = 1; k < chain.size(); ++k)
    appendPointsOfSegment(Segment(chain[k - 1], chain[k]), size, out);
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

std::vector<cv::Point> smoothContour(const std::vector<cv::Point>& chain, int halfWidth) {
  const long long n = static_cast<long long>(chain.size());
  std::vector<long long> sumX(n + 1, 0), sumY(n + 1, 0);
  for (long long i = 0; i < n; ++i) {
    sumX[i + 1] = sumX[i] + chain[i].x;
    sumY[i + 1] = sumY[i] + chain[i].y;
  }
  std::vector<cv::Point> out;
  out.reserve(chain.size());
  for (long long i = 0; i < n; ++i) {
    const long long lo = std::max(i - halfWidth, 0LL);
    const long long hi = std::min(i + halfWidth, n - 1);
    const long long count = hi - lo + 1;
    // The window sums are those of int arithmetic: windows are short and coordinates small.
    const int sx = static_cast<int>(sumX[hi + 1] - sumX[lo]);
    const int sy = static_cast<int>(sumY[hi + 1] - sumY[lo]);
    out.emplace_back(sx / static_cast<int>(count), sy / static_cast<int>(count));
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
