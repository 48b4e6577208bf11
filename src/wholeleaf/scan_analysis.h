// The whole-leaf analysis of a scan: every leaf lying inside the picture is brought to 1200 dpi,
// its outline is cut into overlapping windows, each window becomes a crop that the analysis of
// one picture takes as it is, the crops are analysed in parallel within the memory budget, and
// the teeth found are mapped back onto the scan and merged by their place along the outline.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "segmentation/segment_leaf.h"
#include "wholeleaf/leaf_plan.h"
#include "wholeleaf/whole_leaf_drawing.h"
#include "wholeleaf/whole_leaf_tables.h"

namespace leafmargin {

struct WholeLeafSettings {
  double scale = 1.0;                // working pixels per scan pixel: 1200 / the scan's dpi
  std::optional<bool> leafIsBright;  // the leaves' Otsu class, when the user named it
  SegmentationSettings crops;        // the analysis of each crop (whose leaf is the bright class)
  std::string keepCropsDir;          // empty: the crops are not kept
  unsigned threads = 0;              // 0: one per core
};

struct WholeLeafAnalysis {
  ScanPlan plan;
  std::vector<WholeLeafTooth> teeth;      // by leaf, then along the outline from the base
  std::vector<WholeLeafWindow> windows;   // by leaf, then along the outline
  std::vector<OverviewStretch> stretches; // one per window, for the picture
  double coveredShare = 0.0;  // share of the leaves' outline (petioles left out) in measured windows
  int measuredWindows() const;
};

// Plans the scan (8-bit BGR) and analyses every window; progress lines go to progress.
WholeLeafAnalysis analyseWholeLeafScan(const cv::Mat& scan, const WholeLeafSettings& settings,
                                       std::ostream& progress);

}  // namespace leafmargin
