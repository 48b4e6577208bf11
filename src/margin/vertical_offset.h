// The smoothed outline read as a graph over x: the height of the curve at a point's column,
// the point's signed vertical offset from it, its distance to the curve segment found there,
// and the below/not-below flag of every outline point. The segment at column x is C[t-1]-C[t]
// for the first t in 1..m-2 with C[t].x > x, else C[m-2]-C[m-1]; ReferenceCurve finds that t
// from a running maximum of x (a table by column, or a binary search) instead of scanning from
// the start of the curve.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

class ReferenceCurve {
 public:
  // The curve must hold at least two points and outlive this object.
  explicit ReferenceCurve(const std::vector<cv::Point>& curve);

  // The t of the segment C[t-1]-C[t] used for column x (1 <= t <= m-1).
  int segmentEndAt(int x) const;
  // Height of the segment's line at p.x, truncated toward zero, minus p.y: negative when p lies
  // below the curve (larger y). A vertical segment has height 0.
  int verticalOffsetToCurve(cv::Point p) const;
  // Distance from p to the line of the segment, truncated toward zero.
  int distanceToCurve(cv::Point p) const;

 private:
  const std::vector<cv::Point>& curve_;
  std::vector<int> prefixMaxX_;  // entry k: max of C[1..k+1].x, for the points C[1]..C[m-2]
  // Entry x - prefixMaxX_.front(): the first k with prefixMaxX_[k] > x (empty for curves
  // spread over far more columns than points, which use a binary search).
  std::vector<int> firstAboveByColumn_;
};

// belowSmoothOutline: true where the point's offset from the curve is negative. A curve of
// fewer than two points gives no height: every flag is then false.
std::vector<bool> belowCurveFlags(const std::vector<cv::Point>& outline,
                                  const std::vector<cv::Point>& curve);

}  // namespace leafmargin
