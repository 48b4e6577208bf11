// The crop of one window, as the analysis of a single picture accepts it: the window's stretch of
// outline turned so that it runs from the crop's left edge to its right edge with the leaf
// above it and a full band of leaf along the top; below the stretch a dark ground, above it the
// leaf, so that the crop's only outline is this stretch. The transform maps points between the
// crop and the leaf at working resolution, both ways.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "wholeleaf/working_leaf.h"

namespace leafmargin {

// The colour of the ground in every crop.
const cv::Scalar kCropGround(16, 16, 16);

struct CropTransform {
  cv::Matx23d toCrop;     // working-resolution pixel -> crop pixel
  cv::Matx23d toWorking;  // its inverse

  cv::Point2d cropPoint(cv::Point2d working) const { return apply(toCrop, working); }
  cv::Point2d workingPoint(cv::Point2d crop) const { return apply(toWorking, crop); }
  static cv::Point2d apply(const cv::Matx23d& m, cv::Point2d p) {
    return {m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2), m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2)};
  }
};

// The turn (about the stretch's first point) and the shift that bring stretch onto the crop:
// the chord from its first to its last point along the x axis (or the quarter turn nearest to
// it when that is within 15 degrees, so that the pixels are copied as they are), the leaf (on
// the left of the stretch's direction) above, the stretch's highest point bandRows below the
// top edge and its first point on the left edge.
CropTransform cropTransformFor(const std::vector<cv::Point>& stretch, int bandRows);

struct WindowCrop {
  cv::Mat picture;            // 8-bit BGR; empty when rejected
  CropTransform transform;
  std::string rejection;      // why the window cannot be analysed; empty when it can
};

// The crop of the stretch (consecutive points of the leaf's outline, at working resolution).
// Rejected when the stretch turns back on itself (its course leaves the chord's direction by
// more than the analysis can take) or when the leaf above it does not fill the crop's top band.
WindowCrop cutWindowCrop(const WorkingLeaf& leaf, const std::vector<cv::Point>& stretch);

}  // namespace leafmargin
