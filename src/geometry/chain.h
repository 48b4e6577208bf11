// Operations on point chains: densifying a polyline into 8-connected pixels, dropping repeated
// consecutive points, the centred moving average, and the mean point. Chains are open: no
// piece joins the last point back to the first.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace leafmargin {

// Printed by the driver when a chain to densify is empty.
extern const char* const kEmptyContourMessage;
// Printed by the driver when the centre of an empty chain is asked.
extern const char* const kEmptyCenterMessage;

// The pixels of every piece k-1 -> k in order (inner points appear twice in a row).
// std::nullopt for an empty chain; a chain of one point gives an empty list.
std::optional<std::vector<cv::Point>> getAllPointsOfContour(const std::vector<cv::Point>& chain,
                                                            cv::Size size);
// The chain without points equal to the point just before them.
std::vector<cv::Point> removeConsecutiveDuplicates(const std::vector<cv::Point>& chain);
// Point i becomes the integer mean of points max(i-h,0)..min(i+h,n-1), truncated.
std::vector<cv::Point> smoothContour(const std::vector<cv::Point>& chain, int halfWidth);
// The mean point, each coordinate summed as double and truncated; nullopt for an empty chain.
std::optional<cv::Point> contourCenter(const std::vector<cv::Point>& chain);

}  // namespace leafmargin
