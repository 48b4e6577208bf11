#include "margin/first_position.h"

namespace leafmargin {

namespace {
std::uint64_t pointKey(cv::Point p) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.x)) << 32) |
         static_cast<std::uint32_t>(p.y);
}
}  // namespace

FirstPositionIndex::FirstPositionIndex(const std::vector<cv::Point>& outline) {
  first_.reserve(outline.size());
  for (size_t k = 0; k < outline.size(); ++k)
    first_.emplace(pointKey(outline[k]), static_cast<int>(k));  // keeps the earliest index
}

int FirstPositionIndex::firstPositionOfPoint(cv::Point p) const {
  const auto found = first_.find(pointKey(p));
  return found == first_.end() ? -1 : found->second;
}

}  // namespace leafmargin
