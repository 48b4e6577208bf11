// The pixels of a segment as cv::line draws it (thickness 1, LINE_8, clipped to the picture),
// listed or counted without drawing it into a raster of the picture's size: the cost follows
// the segment's length, not the picture's size.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/segment.h"

namespace leafmargin {

// The segment's pixels from first towards second, column by column (within a column from
// first.y towards second.y). Pixels outside the picture are not listed, except for a
// vertical segment, which lists every y from first.y to second.y whatever the picture.
std::vector<cv::Point> getAllPointsOfSegment(const Segment& s, cv::Size size);

// Number of pixels of the drawn segment (inside the picture) whose mask value is above 254.
int countSegmentPixelsInMask(const Segment& s, const cv::Mat& mask);

}  // namespace leafmargin
