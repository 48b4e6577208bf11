// The literal geometry procedures that the program's fast ones must match: a full-size raster
// drawn by cv::line per segment, read column by column or counted over the clipped bounding
// box, and the integer mean of a stretch of points summed afresh.
#pragma once

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "geometry/segment.h"

namespace leafmargin::testing {

// A segment of the given length through c in direction angle, ends truncated toward zero.
inline Segment segmentCentredAt(cv::Point c, double angle, double length) {
  const double h = std::cos(angle) * length * 0.5, v = std::sin(angle) * length * 0.5;
  return Segment(cv::Point(static_cast<int>(c.x - h), static_cast<int>(c.y - v)),
                 cv::Point(static_cast<int>(c.x + h), static_cast<int>(c.y + v)));
}

// A new 8-bit picture of the given size, 0 everywhere but 255 on the segment drawn by cv::line.
inline cv::Mat rasterizeSegment(const Segment& s, cv::Size size) {
  cv::Mat raster = cv::Mat::zeros(size, CV_8UC1);
  cv::line(raster, s.first, s.second, cv::Scalar(255, 255, 255, 0), 1, cv::LINE_8, 0);
  return raster;
}

// Reads the full-size raster of the segment column by column from first towards second.
// Pixels outside the picture read as unset; a vertical segment lists every y without the raster.
inline std::vector<cv::Point> literalPointsOfSegment(const Segment& s, cv::Size size) {
  const int x1 = s.first.x, y1 = s.first.y, x2 = s.second.x, y2 = s.second.y;
  std::vector<cv::Point> out;
  if (x1 == x2) {
    for (int y = y1;; y += (y1 < y2 ? 1 : -1)) {
      out.emplace_back(x1, y);
      if (y == y2) break;
    }
    return out;
  }
  const cv::Mat raster = rasterizeSegment(s, size);
  const int xStep = x1 < x2 ? 1 : -1;
  const int yStep = y1 <= y2 ? 1 : -1;
  for (int x = x1;; x += xStep) {
    for (int y = y1;; y += yStep) {
      if (x >= 0 && y >= 0 && x < size.width && y < size.height && raster.at<uchar>(y, x) > 254)
        out.emplace_back(x, y);
      if (y == y2) break;
    }
    if (x == x2) break;
  }
  return out;
}

// Pixels set both in the segment's full-size raster and in the mask, over the bounding box of
// the two ends clipped to the picture.
inline int literalCountInMask(const Segment& s, const cv::Mat& mask) {
  const cv::Mat raster = rasterizeSegment(s, mask.size());
  const int xLo = std::max(std::min(s.first.x, s.second.x), 0);
  const int xHi = std::min(std::max(s.first.x, s.second.x), mask.cols - 1);
  const int yLo = std::max(std::min(s.first.y, s.second.y), 0);
  const int yHi = std::min(std::max(s.first.y, s.second.y), mask.rows - 1);
  int count = 0;
  for (int y = yLo; y <= yHi; ++y)
    for (int x = xLo; x <= xHi; ++x)
      if (raster.at<uchar>(y, x) > 254 && mask.at<uchar>(y, x) > 254) ++count;
  return count;
}

// Each coordinate summed in int over chain[from..to] and divided by the count, truncating.
inline cv::Point literalMean(const std::vector<cv::Point>& chain, int from, int to) {
  int sumX = 0, sumY = 0;
  for (int k = from; k <= to; ++k) {
    sumX += chain[k].x;
    sumY += chain[k].y;
  }
  return {sumX / (to - from + 1), sumY / (to - from + 1)};
}

}  // namespace leafmargin::testing
