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
      {n[0], seriesOf(r.teeth, &ToothRecord::largeurDent), mmPerPixel},
      {n[1], seriesOf(r.teeth, &ToothRecord::hauteurDent), mmPerPixel},
      {n[2], seriesOf(r.sinuses, &SinusRecord::largeurSinus), mmPerPixel},
      {n[3], seriesOf(r.sinuses, &SinusRecord::hauteurSinus), mmPerPixel},
      {n[4], seriesOf(r.teeth, &ToothRecord::rapportHauteurLargeur), 100.0},
      {n[5], seriesOf(r.teeth, &ToothRecord::angleDent), kDegreesPerRadian},
      {n[6], seriesOf(r.sinuses, &SinusRecord::angleSinus), kDegreesPerRadian},
      {n[7], seriesOf(r.teeth, &ToothRecord::angleApical), kDegreesPerRadian},
      {n[8], seriesOf(r.teeth, &ToothRecord::symetrieCentre), 1.0},
      {n[9], seriesOf(r.teeth, &ToothRecord::symetriePerpendiculaire), 1.0},
  }};
}

}  // namespace leafmargin
