// The tables of a whole-leaf run, tidy (comma separated, dot decimals, a header, "NA" for a value
// that does not exist): "whole_leaf_teeth.csv", one row per distinct tooth with the ten measures
// of results.csv under their English names ("NA" for a tooth found but not measured),
// "whole_leaf_windows.csv", one row per window with its stretch of outline, what became of it
// and how many teeth it measured, and "whole_leaf_leaves.csv", one row per leaf: its physiognomy
// under the names the dilp R package reads, then the program's own columns.
#pragma once

#include <array>
#include <limits>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "measure/measurement_record.h"
#include "physiognomy/dilp_row.h"
#include "report/measures.h"

namespace leafmargin {

struct WholeLeafTooth {
  int leaf = 0;              // 1-based, in the reading order of the leaves
  double positionMm = 0.0;   // along the outline from the base
  cv::Point2d tip;           // pixels of the scan as given
  int windows = 0;           // windows that measured it; 0: found, not measured
  std::array<double, kMeasureCount> measures{};  // report units, median over the windows; NaN
                                                 // where there is none
  // Where the tooth begins and ends along the outline from the base, mm: the sinuses it was
  // measured between, or the nearest sinuses found on each side; NaN where none was found.
  double sinusBeforeMm = std::numeric_limits<double>::quiet_NaN();
  double sinusAfterMm = std::numeric_limits<double>::quiet_NaN();
};

struct WholeLeafWindow {
  int leaf = 0;
  int window = 0;            // 1-based within its leaf, in order along the outline
  double startMm = 0.0;      // where its stretch begins and ends along the outline from the base
  double endMm = 0.0;
  cv::Point2d start, end;    // the same two points in the scan
  bool measured = false;
  std::string reason;        // why it was rejected; empty when measured
  int teeth = 0;             // teeth it measured
};

struct WholeLeafSummary {
  DilpRow dilp;                  // the leaf's physiognomy row
  int leaf = 0;
  int teeth = 0;                 // rows of the teeth table
  double coveredPct = 0.0;       // share of the blade's outline in measured windows
  double borderLengthMm = 0.0;   // length of the blade's outline on the picture's border
};

// The ten measures of the given row of record in report units (lengths with mmPerPixel); NaN
// where a series has no entry for the row.
std::array<double, kMeasureCount> measuresOfRow(const MeasurementRecord& record, std::size_t row,
                                                double mmPerPixel);

// Each measure's median over the rows given (the copies of one tooth), NaN values left out; NaN
// when no row has the measure.
std::array<double, kMeasureCount> medianMeasures(const std::vector<std::array<double, kMeasureCount>>& rows);

std::string composeWholeLeafTeethTable(const std::vector<WholeLeafTooth>& teeth);
std::string composeWholeLeafWindowsTable(const std::vector<WholeLeafWindow>& windows);
// picture: the file name of the scan, as the batch names it; dpi: the resolution the lengths
// assume, as a field (report/tidy_tables.h's dpiField).
std::string composeWholeLeafLeavesTable(const std::string& picture, const std::string& dpi,
                                        const std::vector<WholeLeafSummary>& leaves);

}  // namespace leafmargin
