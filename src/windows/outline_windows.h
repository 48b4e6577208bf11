// Windows along a leaf's outline: overlapping stretches of about the same length, laid between
// two points of the outline so that every point away from those two lies in at least `cover`
// windows. Each window becomes one crop for the analysis, which needs its stretch to run across
// the crop: a stretch that turns back on itself (round a pointed apex, into a deep notch) cannot.
#pragma once

#include <opencv2/core.hpp>
#include <utility>
#include <vector>

#include "windows/closed_outline.h"
#include "windows/leaf_ends.h"

namespace leafmargin {

struct OutlineWindow {
  int first = 0;  // index of its first point on the outline
  int count = 0;  // points, forward from first (wrapping round)
  int last(const ClosedOutline& outline) const { return outline.wrap(first + count - 1); }
};

// Windows of about length over the forward stretch from index from to index to (the whole loop
// when they are equal), the first starting at from and the last ending at to, successive starts
// at most length / cover apart. A stretch shorter than length gets one window over all of it.
std::vector<OutlineWindow> layWindows(const ClosedOutline& outline, int from, int to,
                                      double length, int cover);

// The stretches of the blade's outline that can be measured, in order from the base: the blade
// (base to blade end, or the whole loop from the base without a petiole) without the points on
// the picture's border. Each is (first, last) index, both included; first == last for the
// whole loop.
std::vector<std::pair<int, int>> measurableRuns(const ClosedOutline& outline, const LeafEnds& ends,
                                                const std::vector<bool>& onBorder);

// The windows of one leaf, in order along the outline from the base, none running onto the
// petiole or the picture's border. Without a window on the apex, windows end at the apex on
// both sides of it; with one, a window is centred on the apex and the others are stepped from it
// both ways.
std::vector<OutlineWindow> layLeafWindows(const ClosedOutline& outline, const LeafEnds& ends,
                                          const std::vector<bool>& onBorder, double length,
                                          int cover, bool windowOnApex);

// Where the margin analysis, run on the forward stretch from index from to index to (the whole
// loop when equal) turned as its crop would be, finds tooth tips: lengths along the stretch from
// `from`, ascending.
std::vector<double> toothTipPositions(const ClosedOutline& outline, int from, int to);

// The median gap between successive tips; 0 for fewer than three tips.
double typicalToothSpacing(const std::vector<double>& tips);

// True when a tip lies within half a spacing of position and another on each side of it within
// two spacings: the point is a tooth of a toothed margin.
bool isToothAmongTeeth(const std::vector<double>& tips, double position, double spacing);

// The largest angle, in degrees, between the stretch's chord (first to last point) and its
// course, the course at each point being the direction from the point halfSpan before it to
// the point halfSpan after it. 180 when the chord is a single point.
double largestTurnFromChord(const std::vector<cv::Point>& stretch, int halfSpan);

}  // namespace leafmargin
