#include "geometry/segment_pixels.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

std::vector<cv::Point> getAllPointsOfSegment(const Segment& s, cv::Size size) {
  std::vector<cv::Point> out;
  const cv::Point a = s.first;
  const cv::Point b = s.second;
  if (a.x == b.x) {
    // Listed without the raster: every y between the two ends.
    const int step = a.y < b.y ? 1 : -1;
    for (long long y = a.y;; y += step) {
      out.emplace_back(a.x, static_cast<int>(y));
      if (y == b.y) break;
    }
    return out;
  }
  // cv::line walks from the left end to the right one: list in that order, then reverse the
  // list when the segment runs right to left.
  cv::LineIterator it(size, a, b, 8, true);
  out.reserve(static_cast<size_t>(it.count));
  for (int i = 0; i < it.count; ++i, ++it) out.push_back(it.pos());
  if (a.x > b.x) std::reverse(out.begin(), out.end());
  return out;
}

int countSegmentPixelsInMask(const Segment& s, const cv::Mat& mask) {
  CV_Assert(mask.type() == CV_8UC1);
  cv::LineIterator it(mask.size(), s.first, s.second, 8, true);
  int count = 0;
  for (int i = 0; i < it.count; ++i, ++it) {
    const cv::Point p = it.pos();
    if (mask.at<uchar>(p.y, p.x) > 254) ++count;
  }
  return count;
}

}  // namespace leafmargin
