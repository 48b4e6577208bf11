// The small generated leaf of the end-to-end tests: 600 x 300 pixels, a bright leaf over a
// dark ground with a toothed lower margin, big enough for the leaf contour to pass the area
// limit and small enough for GrabCut to take about a second.
#pragma once

#include <filesystem>
#include <opencv2/imgcodecs.hpp>

#include "leafgen/leaf_generator.h"

namespace leafmargin::testing {

inline leafgen::LeafSpec smallLeaf(int teeth = 5, int toothHeight = 30) {
  leafgen::LeafSpec design;
  design.width = 600;
  design.height = 300;
  design.marginY = 170;
  design.teeth = teeth;
  design.toothWidth = 60;
  design.toothHeight = toothHeight;
  return design;
}

// Creates the folders on the way; false when the picture cannot be written.
inline bool writeLeaf(const std::filesystem::path& path, const leafgen::LeafSpec& design = smallLeaf()) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  return cv::imwrite(path.string(), leafgen::generateLeaf(design).image);
}

}  // namespace leafmargin::testing
