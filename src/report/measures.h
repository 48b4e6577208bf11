// The ten measurements of a tooth row in the column order of results.csv, under the English
// names every tidy table uses (snake_case, ending in the unit: mm, pct, deg), with the series of
// the measurement record each one reads and the factor that turns it into that unit.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "measure/measurement_record.h"

namespace leafmargin {

constexpr std::size_t kMeasureCount = 10;

// "tooth_width_mm", "tooth_height_mm", "sinus_width_mm", "sinus_height_mm",
// "height_width_ratio_pct", "tooth_angle_deg", "sinus_angle_deg", "apical_angle_deg",
// "symmetry_centre_pct", "symmetry_perpendicular_pct".
const std::array<const char*, kMeasureCount>& measureNames();

struct MeasureSeries {
  const char* name;                    // from measureNames()
  std::vector<double> values;          // in record units; may hold NaN
  double scale;                        // record unit to report unit (1 for the symmetries)
};

// The ten series of record in column order: lengths scaled by mmPerPixel, the ratio by 100,
// angles by kDegreesPerRadian, the symmetry percentages as stored.
std::array<MeasureSeries, kMeasureCount> measureSeries(const MeasurementRecord& record,
                                                       double mmPerPixel);

}  // namespace leafmargin
