// Whether the margin begins with a sinus or with a tooth. The rule compares where the outline
// first passes through the point of the first sinus and through the point of the first tip, not
// the stored positions: where the outline passes a pixel twice, the earlier passage counts.
// Margin analysis asks it of its candidate lists, measurement of the final dents and sinus.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

// firstPositionOfPoint of the outline's own point at position: the smallest k <= position with
// outline[k] == outline[position]. The search reads no further than position.
int firstPositionOfPoint(const std::vector<cv::Point>& outline, int position);

// True when the first passage of the point of sinus[0] comes strictly before that of dents[0];
// false when it does not (ties included) and when either list is empty.
bool startsWithSinus(const std::vector<cv::Point>& outline, const std::vector<int>& dents,
                     const std::vector<int>& sinus);

}  // namespace leafmargin
