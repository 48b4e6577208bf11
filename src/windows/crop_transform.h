// The placement of a stretch of a leaf's outline in its crop: turned (about its first point) and
// shifted so that its chord runs along the x axis from the crop's left edge, the leaf (on the
// left of the stretch's direction) above it and its highest point a band of rows below the top
// edge; a chord within 15 degrees of a quarter turn is taken as lying on it, so the points keep
// their pixel grid. The transform maps points both ways.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

struct CropTransform {
  cv::Matx23d toCrop;     // working-resolution pixel -> crop pixel
  cv::Matx23d toWorking;  // its inverse

  cv::Point2d cropPoint(cv::Point2d working) const { return apply(toCrop, working); }
  cv::Point2d workingPoint(cv::Point2d crop) const { return apply(toWorking, crop); }
  static cv::Point2d apply(const cv::Matx23d& m, cv::Point2d p) {
    return {m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2), m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2)};
  }
};

// The transform for stretch with bandRows rows above its highest point.
CropTransform cropTransformFor(const std::vector<cv::Point>& stretch, int bandRows);

// The stretch's points in the crop, rounded to pixels.
std::vector<cv::Point> turnedStretch(const std::vector<cv::Point>& stretch, const CropTransform& t);

}  // namespace leafmargin
