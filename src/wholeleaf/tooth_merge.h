// Teeth measured in overlapping windows, merged by their position along the leaf's outline:
// copies of one tooth from different windows lie within half a tooth width of each other, two
// teeth of one window are always distinct. The copy kept is the one measured farthest from the
// ends of its window, where the analysis sees most of the margin around it.
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
  cv::Point2d tip;         // in the scan as given
  int row = 0;             // its row in its window's measurement record
};

struct MergedTooth {
  WindowTooth kept;
  int windows = 1;  // how many windows measured it
};

// The distinct teeth, ordered by position.
std::vector<MergedTooth> mergeTeeth(std::vector<WindowTooth> teeth);

}  // namespace leafmargin
