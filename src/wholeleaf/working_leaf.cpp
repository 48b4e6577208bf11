#include "wholeleaf/working_leaf.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

namespace {
constexpr int kScanPad = 4;  // scan pixels kept around the region, for the interpolation
// Lines up to 6 pixels (0.13 mm) wide that touch the leaf (the grid of graph paper, hairs) are
// not part of its margin; a wider opening would blunt the small tips of some teeth.
constexpr double kLineRadius = 3.0;
}

WorkingLeaf bringToWorkingResolution(const cv::Mat& scan, const LeafRegion& region,
                                     const LeafClass& leafClass, double scale) {
  const cv::Rect box = (region.box + cv::Size(2 * kScanPad, 2 * kScanPad) - cv::Point(kScanPad, kScanPad)) &
                       cv::Rect(cv::Point(0, 0), scan.size());
  WorkingLeaf leaf;
  leaf.origin = cv::Point2d(box.x, box.y);
  leaf.scale = scale;
  const cv::Size size(std::max(1, static_cast<int>(std::lround(box.width * scale))),
                      std::max(1, static_cast<int>(std::lround(box.height * scale))));
  const int interpolation = scale > 1.0 ? cv::INTER_CUBIC : cv::INTER_AREA;
  if (size == box.size())
    leaf.picture = scan(box).clone();
  else
    cv::resize(scan(box), leaf.picture, size, 0, 0, interpolation);

  // The region's mask in the box, grown by a little more than one scan pixel, bounds the leaf
  // class of the resized picture, so neighbours and specks stay out.
  cv::Mat regionMask = cv::Mat::zeros(box.size(), CV_8UC1);
  region.mask.copyTo(regionMask(region.box - box.tl()));
  cv::Mat bound;
  cv::resize(regionMask, bound, size, 0, 0, cv::INTER_NEAREST);
  const int reach = 2 * static_cast<int>(std::ceil(scale)) + 1;
  cv::dilate(bound, bound, cv::getStructuringElement(cv::MORPH_ELLIPSE, {reach, reach}));

  cv::Mat gray;
  cv::cvtColor(leaf.picture, gray, cv::COLOR_BGR2GRAY);
  leaf.mask = largestRegionFilled(withoutThinLines(leafClassMask(gray, leafClass) & bound, kLineRadius));
  return leaf;
}

}  // namespace leafmargin
