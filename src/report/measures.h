// The one table of the ten measures of a tooth row, in the column order of results.csv: the
// label results.csv heads each column with, the English name every tidy table uses
// (snake_case, ending in the unit: mm, pct, deg), the measure of the tooth's or the sinus's
// record it reads and how that measure turns into the unit of the report. results.csv, the tidy
// tables, the whole-leaf tables, the batch and its page all read their columns from here.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "measure/measurement_record.h"

namespace leafmargin {

constexpr std::size_t kMeasureCount = 10;

// Radians to degrees, 180 / 3.14159265359, applied as one multiplication.
constexpr double kDegreesPerRadian = 57.29577951307855;

// How a record's measure becomes a report unit: lengths times mm per pixel, the ratio times
// 100, angles times kDegreesPerRadian, the symmetry percentages as stored.
enum class MeasureUnit { Length, Ratio, Angle, Percent };

struct MeasureColumn {
  const char* name;   // "tooth_width_mm"
  const char* label;  // "largeur dents (mm)", as results.csv writes it (UTF-8)
  double ToothRecord::*toothMeasure;  // the measure of each tooth's record, or null ...
  double SinusRecord::*sinusMeasure;  // ... that of each sinus's record
  MeasureUnit unit;

  // The measure over the record's teeth or sinuses, in their order, in record units.
  std::vector<double> seriesOf(const MeasurementRecord& record) const;
};

// The positions in the table of the measures that are named elsewhere (the page's panels).
enum MeasureIndex : std::size_t {
  kToothWidth = 0,
  kToothHeight = 1,
  kHeightWidthRatio = 4,
  kToothAngle = 5,
  kApicalAngle = 7,
};

const std::array<MeasureColumn, kMeasureCount>& measureColumns();

// The factor that turns the column's record unit into its report unit.
double measureScale(const MeasureColumn& column, double mmPerPixel);

// The names of measureColumns(), in order.
const std::array<const char*, kMeasureCount>& measureNames();

struct MeasureSeries {
  const char* name;            // from measureNames()
  std::vector<double> values;  // in record units; may hold NaN
  double scale;                // record unit to report unit (1 for the symmetries)
};

// The ten series of record in column order with their scales.
std::array<MeasureSeries, kMeasureCount> measureSeries(const MeasurementRecord& record,
                                                       double mmPerPixel);

}  // namespace leafmargin
