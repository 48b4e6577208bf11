// The outer outline of a leaf's mask with sub-pixel precision. The mask is blurred a little (sigma
// 0.45 pixel, which rounds the corners of the pixel staircase but not the tips of teeth) and the
// outline follows the half level of the blurred mask: each boundary pixel of the region is placed
// between itself and its outside neighbours by linear interpolation. It runs where the mask's edge
// is (between the last pixel in and the first out, so within half a pixel of the true edge), and
// the area inside is the mask's. Points are in scan coordinates, closed (the last joins the first),
// with the leaf on the left of the direction of travel as seen on the screen (along the bottom of a
// leaf the outline runs to the right). Points on the picture's border are flagged: the leaf runs
// off the picture there.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "leaves/leaf_mask.h"

namespace leafmargin {

struct SmoothOutline {
  std::vector<cv::Point2d> points;  // scan coordinates
  std::vector<bool> onBorder;       // one per point

  std::size_t size() const { return points.size(); }
};

SmoothOutline smoothOutline(const LeafMask& leaf, cv::Size scanSize);

// The half level's points of a 0/255 mask (its largest region) in the mask's own pixel
// coordinates, in the order above; the building block of smoothOutline.
std::vector<cv::Point2d> halfLevelOutline(const cv::Mat& mask, double sigma);

// Twice the signed area enclosed by a closed polygon (shoelace): negative when the polygon runs
// with its inside on the left on the y-down screen.
double twiceSignedArea(const std::vector<cv::Point2d>& polygon);

}  // namespace leafmargin
