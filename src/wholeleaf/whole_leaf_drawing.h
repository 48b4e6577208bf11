// The picture of a whole-leaf run, "whole_leaf.png": the scan (reduced when its longer side
// exceeds 2000 pixels) with the stretch of every window (measured ones in two alternating
// colours, rejected ones in red, a dot at each end) and every tooth ringed and numbered as its
// row in the teeth table, in a size that stays readable on any scan.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

struct OverviewStretch {
  std::vector<cv::Point2d> points;  // scan coordinates, in order along the outline
  bool measured = false;
};

cv::Mat drawWholeLeafOverview(const cv::Mat& scan, const std::vector<OverviewStretch>& stretches,
                              const std::vector<cv::Point2d>& tips);

}  // namespace leafmargin
