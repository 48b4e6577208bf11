#include "report/measures.h"

namespace leafmargin {

std::vector<double> MeasureColumn::seriesOf(const MeasurementRecord& record) const {
  return toothMeasure != nullptr ? leafmargin::seriesOf(record.teeth, toothMeasure)
                                 : leafmargin::seriesOf(record.sinuses, sinusMeasure);
}

const std::array<MeasureColumn, kMeasureCount>& measureColumns() {
  using T = ToothRecord;
  using S = SinusRecord;
  static const std::array<MeasureColumn, kMeasureCount> columns = {{
      {"tooth_width_mm", "largeur dents (mm)", &T::largeurDent, nullptr, MeasureUnit::Length},
      {"tooth_height_mm", "hauteur dents (mm)", &T::hauteurDent, nullptr, MeasureUnit::Length},
      {"sinus_width_mm", "largeur sinus (mm)", nullptr, &S::largeurSinus, MeasureUnit::Length},
      {"sinus_height_mm", "hauteur sinus (mm)", nullptr, &S::hauteurSinus, MeasureUnit::Length},
      {"height_width_ratio_pct", "rapport hauteur/largeur dents (%)", &T::rapportHauteurLargeur,
       nullptr, MeasureUnit::Ratio},
      {"tooth_angle_deg", "angles dents (\xC2\xB0)", &T::angleDent, nullptr, MeasureUnit::Angle},
      {"sinus_angle_deg", "angles sinus (\xC2\xB0)", nullptr, &S::angleSinus, MeasureUnit::Angle},
      {"apical_angle_deg", "angles apicaux (\xC2\xB0)", &T::angleApical, nullptr, MeasureUnit::Angle},
      {"symmetry_centre_pct", "sym\xC3\xA9tries des dents par rapport au centre de la base (%)",
       &T::symetrieCentre, nullptr, MeasureUnit::Percent},
      {"symmetry_perpendicular_pct",
       "sym\xC3\xA9tries des dents par rapport \xC3\xA0 la perpendiculaire \xC3\xA0 la base (%)",
       &T::symetriePerpendiculaire, nullptr, MeasureUnit::Percent},
  }};
  return columns;
}

double measureScale(const MeasureColumn& column, double mmPerPixel) {
  switch (column.unit) {
    case MeasureUnit::Length: return mmPerPixel;
    case MeasureUnit::Ratio: return 100.0;
    case MeasureUnit::Angle: return kDegreesPerRadian;
    case MeasureUnit::Percent: break;
  }
  return 1.0;
}

const std::array<const char*, kMeasureCount>& measureNames() {
  static const std::array<const char*, kMeasureCount> names = [] {
    std::array<const char*, kMeasureCount> n{};
    for (std::size_t k = 0; k < kMeasureCount; ++k) n[k] = measureColumns()[k].name;
    return n;
  }();
  return names;
}

std::array<MeasureSeries, kMeasureCount> measureSeries(const MeasurementRecord& record,
                                                       double mmPerPixel) {
  std::array<MeasureSeries, kMeasureCount> series{};
  for (std::size_t k = 0; k < kMeasureCount; ++k) {
    const MeasureColumn& column = measureColumns()[k];
    series[k] = {column.name, column.seriesOf(record), measureScale(column, mmPerPixel)};
  }
  return series;
}

}  // namespace leafmargin
