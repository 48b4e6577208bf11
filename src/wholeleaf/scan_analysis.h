// The whole-leaf analysis of a scan: every leaf found on it is segmented once at the scan's
// resolution, its smooth outline brought to the analysis's working resolution and cut into
// overlapping windows; each window becomes a crop drawn from the outline, which the stages of
// the analysis after segmentation take as they are; the crops are analysed in parallel within
// the memory budget, and the tips and teeth they find are mapped back onto the leaf and merged
// by their place along its outline.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "physiognomy/leaf_shape.h"
#include "windows/leaf_plan.h"
#include "wholeleaf/whole_leaf_drawing.h"
#include "wholeleaf/whole_leaf_tables.h"

namespace leafmargin {

struct WholeLeafSettings {
  PlanSettings plan;          // the scan's resolution, the leaves' class, GrabCut
  std::string keepCropsDir;   // empty: the crops are not kept
  unsigned threads = 0;       // windows analysed at once; 0: one per core
  std::string pictureStem;    // names the leaves' morphotypes ("<stem>_<leaf>")
};

struct WholeLeafAnalysis {
  ScanPlan plan;
  std::vector<WholeLeafTooth> teeth;      // by leaf, then along the outline from the base
  std::vector<WholeLeafWindow> windows;   // by leaf, then along the outline
  std::vector<WholeLeafSummary> leaves;   // one per leaf of plan.leaves
  std::vector<LeafShape> shapes;          // one per leaf, for the physiognomy measures
  std::vector<OverviewLeaf> overview;     // what whole_leaf.png draws
  std::string keepError;                  // why a kept crop's file could not be written
  int measuredWindows() const;
};

// Plans the scan (8-bit BGR) and analyses every window; progress lines go to progress.
WholeLeafAnalysis analyseWholeLeafScan(const cv::Mat& scan, const WholeLeafSettings& settings,
                                       std::ostream& progress);

}  // namespace leafmargin
