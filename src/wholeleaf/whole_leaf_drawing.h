// The picture of a whole-leaf run, "whole_leaf.png": the scan (reduced when its longer side
// exceeds 2000 pixels) with every leaf numbered, the stretch of every window (measured ones in
// two alternating colours, rejected ones in red), the outline on the picture's border in grey,
// the blade as measured for its physiognomy (its teeth cut off between their sinuses, in
// magenta; the petiole's cut in black), and every tooth ringed (measured ones green, found but
// not measured yellow) and numbered as its row among its leaf's rows of the teeth table.
// Numbers never overlap: each goes to the first free place beyond its tip, joined to it by a
// leader line when it had to move, and is left out (the ring stays) when no place is free. A
// band below holds the legend and a scale bar.
#pragma once

#include <opencv2/core.hpp>
#include <array>
#include <optional>
#include <vector>

namespace leafmargin {

struct OverviewStretch {
  std::vector<cv::Point2d> points;  // scan coordinates, in order along the outline
  bool measured = false;
};

struct OverviewTip {
  cv::Point2d at;  // scan coordinates
  bool measured = false;
};

struct OverviewLeaf {
  int number = 0;
  cv::Point2d centre;                             // where the leaf's number goes
  std::vector<OverviewStretch> stretches;         // one per window
  std::vector<std::vector<cv::Point2d>> border;   // stretches of outline on the picture's border
  std::vector<OverviewTip> tips;                  // in the order of the teeth table
  std::vector<cv::Point2d> internal;              // the blade with its teeth cut off
  std::optional<std::array<cv::Point2d, 2>> petioleCut;  // where the petiole is cut off
};

// pixelsPerMm: the scan's resolution, for the scale bar.
cv::Mat drawWholeLeafOverview(const cv::Mat& scan, const std::vector<OverviewLeaf>& leaves,
                              double pixelsPerMm);

// Places for labels of the given sizes near anchors (drawn pixels): for each, the centre of a box
// that overlaps no earlier box, no anchor's ring and stays inside bounds, searched outward from
// the anchor away from awayFrom; nullopt-like (-1, -1) when none is free.
std::vector<cv::Point> placeLabels(const std::vector<cv::Point>& anchors,
                                   const std::vector<cv::Size>& sizes,
                                   const std::vector<cv::Point2d>& awayFrom, int ring,
                                   cv::Rect bounds);

}  // namespace leafmargin
