// One leaf segmented at the scan's own resolution: GrabCut over the leaf's box (its region
// grown by 40 scan pixels), seeded with the rough region as probable leaf, the rest of the box as
// probable ground and every other region found on the scan as certain ground, so that a
// neighbouring leaf, a ruler or a label never joins it. The mask is the one region of the leaf
// (the part of GrabCut's foreground that holds most of the rough region) with its holes filled.
// Scans finer than 600 dpi are segmented at 600 dpi: the margin's detail at that resolution is
// finer than the analysis takes, and GrabCut's cost grows with the pixels.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "grabcut/grabcut_settings.h"
#include "leaves/leaf_finder.h"

namespace leafmargin {

struct LeafMask {
  cv::Rect box;        // the segmented part of the scan
  double scale = 1.0;  // mask pixels per scan pixel
  cv::Mat mask;        // 255 on the leaf; box.size() * scale

  // Pixel centres map onto pixel centres, as cv::resize maps them.
  cv::Point2d toScan(cv::Point2d p) const {
    return cv::Point2d(box.x, box.y) + (p + cv::Point2d(0.5, 0.5)) / scale - cv::Point2d(0.5, 0.5);
  }
};

constexpr int kLeafBoxMargin = 40;  // scan pixels around a leaf's region
constexpr double kFinestSegmentedPixelsPerMm = 600.0 / 25.4;  // finer scans are segmented at this

// leaf: one of found.leaves; every other region of found is ground. pixelsPerMm: the scan's.
LeafMask segmentLeafMask(const cv::Mat& scan, const FoundLeaves& found, std::size_t leaf,
                         double pixelsPerMm, const GrabCutSettings& settings);

}  // namespace leafmargin
