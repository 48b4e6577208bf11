// firstPositionOfPoint over the outline: the smallest index at which a point occurs (the
// outline may pass the same pixel more than once), answered from a table built once instead
// of a scan from index 0 for every question.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <unordered_map>
#include <vector>

namespace leafmargin {

class FirstPositionIndex {
 public:
  explicit FirstPositionIndex(const std::vector<cv::Point>& outline);

  // The smallest k with outline[k] == p, or -1 when the point is not on the outline.
  int firstPositionOfPoint(cv::Point p) const;

 private:
  std::unordered_map<std::uint64_t, int> first_;
};

}  // namespace leafmargin
