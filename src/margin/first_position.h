// firstPositionOfPoint for a point of the outline itself: the earliest index at which the
// outline passes the point found at a given position (it may pass the same pixel more than
// once). The answer is never past that position, so the search reads no further than it: a
// candidate near the start of the margin costs a few comparisons, and the handful of searches
// of a run never add up to more than a few passes over the outline.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

// The smallest k <= position with outline[k] == outline[position]; position must be valid.
int firstPositionOfPoint(const std::vector<cv::Point>& outline, int position);

}  // namespace leafmargin
