// The plan of a whole-leaf scan: its leaves brought to working resolution, each with its outer
// outline, base and apex, the length of its windows (long enough that every tooth lies, with a
// tooth and a sinus on each side, well inside at least one window) and the windows themselves.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "leaves/leaf_regions.h"
#include "wholeleaf/closed_outline.h"
#include "wholeleaf/leaf_ends.h"
#include "wholeleaf/outline_windows.h"
#include "wholeleaf/working_leaf.h"

namespace leafmargin {

struct LeafPlan {
  WorkingLeaf leaf;
  ClosedOutline outline;
  LeafEnds ends;
  double toothSpacing = 0.0;  // median outline length between tips; 0 when too few were seen
  double windowLength = 0.0;
  bool windowOnApex = false;  // the apex is a blunt tooth among teeth: a window is centred on it
  std::vector<OutlineWindow> windows;

  // Length along the outline from the base to outline point i, working pixels.
  double position(int i) const { return outline.forwardDistance(ends.base, i); }
  // Length of the blade's outline, the petiole left out.
  double bladeLength() const;
};

struct ScanPlan {
  LeafClass leafClass;
  std::vector<LeafPlan> leaves;  // in reading order: top to bottom, then left to right
  int leavesOnBorder = 0;        // leaf-sized regions left out because they touch the border
};

// Every leaf of scan (8-bit BGR) at scale working pixels per scan pixel. leafIsBright: the
// leaves' Otsu class when the user named it; otherwise the class that keeps off the border.
ScanPlan planWholeLeafScan(const cv::Mat& scan, std::optional<bool> leafIsBright, double scale);

// The window length for a leaf whose teeth lie toothSpacing apart along the outline (0: none
// seen), for windows laid with each point of the outline in two of them.
double windowLengthFor(double toothSpacing);

// The index of the outline point of window nearest to point (working pixels).
int nearestPointOfWindow(const ClosedOutline& outline, const OutlineWindow& window, cv::Point2d point);

}  // namespace leafmargin
