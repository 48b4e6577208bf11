// The perimeter of a leaf's polygon as a person tracing its margin measures it. The outline is the
// half level of a blurred mask: it follows the mask's edge to half a pixel but still carries a
// faint staircase, which adds about 3 % to its polygon length at any resolution. A person tracing
// clicks where the margin turns and draws straight lines between: each traced stretch is reduced
// to the fewest of its points that keep it within half a pixel (Douglas-Peucker, the mask's own
// precision), which drops the staircase and keeps the corners of teeth. The ends of a stretch,
// where the straight cuts join it, are kept; the cuts are straight.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "physiognomy/leaf_polygons.h"

namespace leafmargin {

// How far the traced polygon may stray from the outline: half a pixel of the mask the outline
// follows, whatever the scan's resolution (the staircase is a matter of the mask's pixels).
constexpr double kTracingTolerance = 0.5;

// kTracingTolerance in scan pixels for a scan of the given resolution: leaves are segmented at the
// scan's resolution, or at 600 dpi when it is finer (leaves/leaf_mask.h).
double tracingTolerance(double pixelsPerMm);

struct TracedLength {
  double perimeter = 0.0;  // the whole polygon: traced stretches simplified, cuts straight
  double onBorder = 0.0;   // the part of it along outline points that all lie on the border
};

// The polygon's length on outline (scan pixels); onBorder flags the outline's points on the
// picture's border (one per point, or empty for none). Where a stretch goes onto or off the
// border, the point is kept as a corner.
// tolerance: in scan pixels.
TracedLength tracedLength(const LeafPolygon& polygon, const std::vector<cv::Point2d>& outline,
                          const std::vector<bool>& onBorder, double tolerance);

// The length of a run of outline traced within tolerance: of the polygon through the fewest of its
// points (its two ends always, when open) that keep every point of the run within tolerance.
double tracedRunLength(const std::vector<cv::Point2d>& run, bool closed, double tolerance);

}  // namespace leafmargin
