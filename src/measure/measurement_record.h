// The measurements of one leaf, in image units (pixels, radians, plain fractions, percent): one
// record per measured tooth and one per measured sinus, in outline order, and the deepest
// notch. Row r of results.csv shows tooth r beside sinus r. The report alone converts units.
#pragma once

#include <limits>
#include <vector>

namespace leafmargin {

struct ToothRecord {
  double largeurDent = 0.0;             // the base between the two sinuses
  double hauteurDent = 0.0;             // tip to the foot of its perpendicular on the base
  double rapportHauteurLargeur = 0.0;   // height / width, a plain fraction
  double angleDent = 0.0;               // at the tip, between the two sinuses
  double angleApical = std::numeric_limits<double>::quiet_NaN();  // NaN when undetermined
  double symetrieCentre = std::numeric_limits<double>::quiet_NaN();           // percent
  double symetriePerpendiculaire = std::numeric_limits<double>::quiet_NaN();  // percent
};

struct SinusRecord {
  double largeurSinus = 0.0;  // the chord between the two tips
  double hauteurSinus = 0.0;  // bottom to the foot of its perpendicular on the chord
  double angleSinus = 0.0;    // at the bottom, between the two tips
};

struct MeasurementRecord {
  std::vector<ToothRecord> teeth;
  std::vector<SinusRecord> sinuses;
  double profondeurMax = 0.0;
};

// One measure over the records, in their order: a column of the tables.
template <class Record>
std::vector<double> seriesOf(const std::vector<Record>& records, double Record::*measure) {
  std::vector<double> series;
  series.reserve(records.size());
  for (const Record& record : records) series.push_back(record.*measure);
  return series;
}

}  // namespace leafmargin
