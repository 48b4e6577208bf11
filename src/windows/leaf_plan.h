// The plan of a whole-leaf scan: its leaves found, each segmented at the scan's resolution, its
// outline made smooth and brought to the analysis's working resolution, its base and apex, the
// length of its windows (long enough that every tooth lies, with a tooth and a sinus on each
// side, well inside at least one window) and the windows themselves, laid over the blade's
// outline where it does not lie on the picture's border.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "grabcut/grabcut_settings.h"
#include "leaves/leaf_finder.h"
#include "leaves/leaf_mask.h"
#include "leaves/smooth_outline.h"
#include "run/failure.h"
#include "windows/closed_outline.h"
#include "windows/leaf_ends.h"
#include "windows/outline_windows.h"
#include "windows/working_outline.h"

namespace leafmargin {

struct LeafPlan {
  LeafMask mask;            // the leaf at the scan's resolution (or 600 dpi for finer scans)
  SmoothOutline smooth;     // its outline in scan coordinates, sub-pixel
  WorkingOutline working;   // the same at working resolution
  LeafEnds ends;            // indices in working.outline
  double toothSpacing = 0.0;  // median outline length between tips; 0 when too few were seen
  double windowLength = 0.0;
  bool windowOnApex = false;  // the apex is a blunt tooth among teeth: a window is centred on it
  std::vector<OutlineWindow> windows;

  const ClosedOutline& outline() const { return working.outline; }
  // Length along the outline from the base to outline point i, working pixels.
  double position(int i) const { return working.outline.forwardDistance(ends.base, i); }
  // Length of the blade's outline, the petiole left out.
  double bladeLength() const;
  // Length of the blade's outline that lies on the picture's border.
  double borderLength() const;
  // Whether outline point i lies on the blade (not on the petiole).
  bool onBlade(int i) const;
};

struct ScanPlan {
  MaybeFailure failure;  // a leaf too large for the memory left (kExitOutOfMemory), before any work
  FoundLeaves found;
  std::vector<LeafPlan> leaves;  // in reading order: top to bottom, then left to right
};

struct PlanSettings {
  double pixelsPerMm = kWorkingDpi / 25.4;  // the scan's resolution
  std::optional<bool> leafIsBright;         // the leaves' Otsu class when the user named it
  GrabCutSettings grabCut;                  // the segmentation of each leaf
};

// Every leaf of scan (8-bit BGR).
ScanPlan planWholeLeafScan(const cv::Mat& scan, const PlanSettings& settings);

// One found leaf, segmented and planned.
LeafPlan planLeaf(const cv::Mat& scan, const FoundLeaves& found, std::size_t leaf,
                  const PlanSettings& settings);

// The window length for a leaf whose teeth lie toothSpacing apart along the outline (0: none
// seen), for windows laid with each point of the outline in three of them.
double windowLengthFor(double toothSpacing);

// The index of the outline point of window nearest to point (working pixels).
int nearestPointOfWindow(const ClosedOutline& outline, const OutlineWindow& window, cv::Point2d point);

// The index of the outline point nearest to point.
int nearestPoint(const ClosedOutline& outline, cv::Point2d point);

}  // namespace leafmargin
