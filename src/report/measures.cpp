#include "report/measures.h"

#include "report/results_csv.h"

namespace leafmargin {

const std::array<const char*, kMeasureCount>& measureNames() {
  static const std::array<const char*, kMeasureCount> names = {
      "tooth_width_mm",         "tooth_height_mm", "sinus_width_mm",  "sinus_height_mm",
      "height_width_ratio_pct", "tooth_angle_deg", "sinus_angle_deg", "apical_angle_deg",
      "symmetry_centre_pct",    "symmetry_perpendicular_pct"};
  return names;
}

std::array<MeasureSeries, kMeasureCount> measureSeries(const MeasurementRecord& r,
                                                       double mmPerPixel) {
  const auto& n = measureNames();
  return {{
      {n[0], &r.largeursDents, mmPerPixel},
      {n[1], &r.hauteursDents, mmPerPixel},
      {n[2], &r.largeursSinus, mmPerPixel},
      {n[3], &r.hauteursSinus, mmPerPixel},
      {n[4], &r.rapportsHauteurLargeur, 100.0},
      {n[5], &r.anglesDents, kDegreesPerRadian},
      {n[6], &r.anglesSinus, kDegreesPerRadian},
      {n[7], &r.anglesApicaux, kDegreesPerRadian},
      {n[8], &r.symetriesCentre, 1.0},
      {n[9], &r.symetriesPerpendiculaire, 1.0},
  }};
}

}  // namespace leafmargin
