// A leaf's smooth outline brought to the working resolution of the analysis (1200 dots per inch,
// the scale its pixel distances were set for): the sub-pixel outline interpolated by a
// Catmull-Rom spline, scaled, and rounded into a closed chain of 8-connected pixels, as the
// outline of a 1200 dpi scan of the leaf would be. Only the outline changes scale, never the
// picture, so the cost follows the scan's own pixels.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "leaves/smooth_outline.h"
#include "windows/closed_outline.h"

namespace leafmargin {

constexpr double kWorkingDpi = 1200.0;

struct WorkingOutline {
  ClosedOutline outline;       // working pixels, leaf on the left (as ClosedOutline promises)
  std::vector<bool> onBorder;  // per point: on the picture's border
  cv::Point2d origin;          // scan coordinates of working point (0, 0)
  double scale = 1.0;          // working pixels per scan pixel
  cv::Size size;               // a frame holding every point with a margin round them

  cv::Point2d toScan(cv::Point2d p) const { return origin + p / scale; }
  cv::Point2d fromScan(cv::Point2d q) const { return (q - origin) * scale; }
};

// scale: working pixels per scan pixel (1200 / the scan's dpi).
WorkingOutline toWorkingResolution(const SmoothOutline& smooth, double scale);

// Points of a closed Catmull-Rom spline through the closed polygon, at most step apart.
std::vector<cv::Point2d> catmullRomLoop(const std::vector<cv::Point2d>& polygon, double step);

}  // namespace leafmargin
