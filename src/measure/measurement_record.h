// The measurements of one leaf, in image units (pixels, radians, plain fractions, percent):
// five tooth lists and two symmetry lists of one entry per measured tooth, three sinus lists of
// one entry per measured sinus, and the deepest notch. The report alone converts units.
#pragma once

#include <vector>

namespace leafmargin {

struct MeasurementRecord {
  std::vector<double> largeursDents;
  std::vector<double> hauteursDents;
  std::vector<double> rapportsHauteurLargeur;
  std::vector<double> anglesDents;
  std::vector<double> anglesApicaux;
  std::vector<double> symetriesCentre;
  std::vector<double> symetriesPerpendiculaire;
  std::vector<double> largeursSinus;
  std::vector<double> hauteursSinus;
  std::vector<double> anglesSinus;
  double profondeurMax = 0.0;
};

}  // namespace leafmargin
