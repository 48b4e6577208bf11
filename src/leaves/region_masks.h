// Operations on the binary masks of regions (255 on the region): the largest region with its
// holes filled, and openings by a disc that cut thin lines (a printed grid, hairs, a petiole)
// away from the body of a region. Exact, through distance transforms.
#pragma once

#include <opencv2/core.hpp>

namespace leafmargin {

// The largest region of mask with its holes filled; all zero when mask has no region.
cv::Mat largestRegionFilled(const cv::Mat& mask);

// Morphological opening by a disc of the given radius: what is left of mask where a disc of
// that radius fits inside it.
cv::Mat openByDisc(const cv::Mat& mask, double radius);

// The mask without lines (or stubs of lines) thinner than 2 * radius: its opening, with the
// mask's own pixels within radius of the opening given back so that sharp tips stay sharp.
cv::Mat withoutThinLines(const cv::Mat& mask, double radius);

}  // namespace leafmargin
