// The outer outline of a leaf as a closed chain of 8-connected pixels, oriented so that the leaf
// lies on the left of the direction of travel as seen on the screen's y-down grid (along the
// bottom of a leaf the chain runs to the right), with the arc length at every point. Positions
// along it are indices; distances along it run forward and wrap round.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

struct ClosedOutline {
  std::vector<cv::Point> points;  // point i+1 is an 8-neighbour of point i, the last of the first
  std::vector<double> arc;        // arc[i]: length from point 0 to point i
  double length = 0.0;            // the whole loop, closing step included

  int size() const { return static_cast<int>(points.size()); }
  // Index i taken round the loop into 0..size-1.
  int wrap(long long i) const;
  // Length travelled forward from index from to index to (0 when equal).
  double forwardDistance(int from, int to) const;
  // The index reached after travelling forward by distance from index from.
  int advance(int from, double distance) const;
};

// The outer outline of the largest region of mask (255 on the leaf), in leaf-on-the-left order.
// Empty for a mask without region.
ClosedOutline outerOutline(const cv::Mat& mask);

// The closed outline through points, in their order (consecutive points, the last and the first
// included, must be 8-neighbours and distinct).
ClosedOutline closedOutlineOf(std::vector<cv::Point> points);

// The points from index first, forward over count points (wrapping round).
std::vector<cv::Point> outlineStretch(const ClosedOutline& outline, int first, int count);

}  // namespace leafmargin
