// Teeth measured in overlapping windows, merged by their position along the leaf's outline:
// copies of one tooth from different windows lie within half a tooth width of each other, two
// teeth of one window are always distinct. Each tooth keeps all its copies, the first being the
// one measured farthest from the ends of its window, where the analysis sees most of the margin
// around it.
#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

struct WindowTooth {
  int window = 0;          // which window measured it
  double position = 0.0;   // along the outline from the base, working pixels
  double centrality = 0.0; // outline length from the tip to the nearer end of its window
  double width = 0.0;      // the tooth's width, working pixels
  double sinusBefore = 0.0;  // positions of the two sinuses it was measured between
  double sinusAfter = 0.0;
  cv::Point2d tip;         // in the scan as given
  int row = 0;             // its row in its window's measurement record
};

struct MergedTooth {
  std::vector<WindowTooth> copies;  // one per window that measured it, the most central first
  const WindowTooth& kept() const { return copies.front(); }
};

// The distinct teeth, ordered by position.
std::vector<MergedTooth> mergeTeeth(std::vector<WindowTooth> teeth);

// A tip the margin analysis found in one window, measured or not.
struct FoundTip {
  double position = 0.0;    // along the outline from the base, working pixels
  double centrality = 0.0;  // outline length from the tip to the nearer end of its window
  cv::Point2d tip;          // in the scan as given
};

// Tips closer than reach to each other along the outline are one tip, kept where a window saw it
// most centrally; ordered by position.
std::vector<FoundTip> mergeFoundTips(std::vector<FoundTip> tips, double reach);

// The copies of tooth measured between the same two sinuses as its kept copy (each within a
// quarter of the tooth's width), the kept one first: a window that missed a sinus measures a
// different tooth at the same tip.
std::vector<WindowTooth> copiesLikeKept(const MergedTooth& tooth);

}  // namespace leafmargin
