// The pixels of a segment as cv::line draws it (thickness 1, LINE_8, clipped to the picture),
// listed or counted without allocating a raster: the cost follows the segment's length, not
// the picture's size. rasterizeSegment keeps the full-size drawing for diagnostics and checks.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/segment.h"

namespace leafmargin {

// A new 8-bit picture of the given size, 0 everywhere but 255 on the drawn segment.
cv::Mat rasterizeSegment(const Segment& s, cv::Size size);

// The segment's pixels from first towards second, column by column (within a column from
// first.y towards second.y). Pixels outside the picture are not listed, except for a
// vertical segment, which lists every y from first.y to second.y whatever the picture.
std::vector<cv::Point> getAllPointsOfSegment(const Segment& s, cv::Size size);

// Appends the same pixels as getAllPointsOfSegment to out.
void appendPointsOfSegment(const Segment& s, cv::Size size, std::vector<cv::Point>& out);

// Number of pixels of the drawn segment (inside the picture) whose mask value is above 254.
int countSegmentPixelsInMask(const Segment& s, const cv::Mat& mask);

}  // namespace leafmargin
