// One leaf of a scan brought to the working resolution of the analysis (1200 dots per inch, the
// scale its pixel distances were set for): its part of the scan enlarged or reduced, its mask at
// that resolution, and the map between its pixels and the scan's.
#pragma once

#include <opencv2/core.hpp>

#include "leaves/leaf_regions.h"
#include "report/pixel_size.h"

namespace leafmargin {

constexpr double kWorkingDpi = kDefaultDpi;

struct WorkingLeaf {
  cv::Mat picture;     // 8-bit BGR at working resolution
  cv::Mat mask;        // 255 on the leaf (one region, holes filled)
  cv::Point2d origin;  // scan coordinates of the box's top-left corner
  double scale = 1.0;  // working pixels per scan pixel

  // Pixel centres map onto pixel centres, as cv::resize maps them.
  cv::Point2d toScan(cv::Point2d p) const { return origin + (p + cv::Point2d(0.5, 0.5)) / scale - cv::Point2d(0.5, 0.5); }
  cv::Point2d fromScan(cv::Point2d q) const { return (q - origin + cv::Point2d(0.5, 0.5)) * scale - cv::Point2d(0.5, 0.5); }
};

// The region's box of the scan (8-bit BGR) with a few pixels around it, resized by scale (cubic
// when enlarging, area when reducing); the mask is the leaf class of the resized picture near
// the region.
WorkingLeaf bringToWorkingResolution(const cv::Mat& scan, const LeafRegion& region,
                                     const LeafClass& leafClass, double scale);

}  // namespace leafmargin
