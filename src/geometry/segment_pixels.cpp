#include "geometry/segment_pixels.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

cv::Mat rasterizeSegment(const Segment& s, cv::Size size) {
  cv::Mat raster = cv::Mat::zeros(size, CV_8UC1);
  cv::line(raster, s.first, s.second, cv::Scalar(255, 255, 255, 0), 1, cv::LINE_8, 0);
  return raster;
}

void appendPointsOfSegment(const Segment& s, cv::Size size, std::vector<cv::Point>& out) {
  const cv::Point a = s.first;
  const cv::Point b = s.second;
  if (a.x == b.x) {
    // Listed without the raster: every y between the two ends.
    const int step = a.y < b.y ? 1 : -1;
    for (long long y = a.y;; y += step) {
      out.emplace_back(a.x, static_cast<int>(y));
      if (y == b.y) break;
    }
    return;
  }
  // cv::line walks from the left end to the right one; list in that order, then turn the
  // new stretch round when the segment runs right to left.
  cv::LineIterator it(size, a, b, 8, true);
  const size_t start = out.size();
  for (int i = 0; i < it.count; ++i, ++it) out.push_back(it.pos());
  if (a.x > b.x) std::reverse(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
}

std::vector<cv::Point> getAllPointsOfSegment(const Segment& s, cv::Size size) {
  std::vector<cv::Point> out;
  appendPointsOfSegment(s, size, out);
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
