// A leaf's row of Digital Leaf Physiognomy inputs, as the R package dilp reads them: the columns
// under dilp's names and in its order, lengths in cm and areas in cm², NaN (written "NA") for a
// value that does not exist. The blade's measures come from its outline (areas as traced,
// perimeters as a person tracing the margin measures them, calipers exact); the ratios dilp
// derives from them (FDR, perimeter ratio, tooth count per internal perimeter, tooth area) are
// left to dilp.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "physiognomy/leaf_shape.h"

namespace leafmargin {

struct DilpRow {
  std::optional<std::string> site;            // NA unless a sample sheet gives it
  std::optional<std::string> specimenNumber;  // NA unless a sample sheet gives it
  std::string morphotype;
  int margin = 1;                      // 0 toothed, 1 entire (no tooth found)
  double feret = 0.0;                  // cm: the largest distance across the blade
  double minimumFeret = 0.0;           // cm: the blade's narrowest caliper width
  double bladeArea = 0.0;              // cm²: the blade without its petiole
  double bladePerimeter = 0.0;         // cm
  // The blade as prepared for the tooth measures (the blade itself) and the same with every
  // tooth cut off between its sinuses; NaN for an entire leaf, which has none.
  double rawBladeArea = 0.0;           // cm²
  double rawBladePerimeter = 0.0;      // cm
  double internalRawBladeArea = 0.0;   // cm²
  double internalRawBladePerimeter = 0.0;  // cm
  double lengthOfCutPerimeter = 0.0;   // cm: the blade's outline on the picture's border; the
                                       // perimeters include it
  std::optional<int> primaryTeeth;     // every tooth found; NA for an entire leaf
  std::optional<int> subsidiaryTeeth;  // NA: subsidiary teeth are not told from primary ones
  double petioleWidth = 0.0;           // cm: the length of the petiole cut; NaN without petiole
  double petioleArea = 0.0;            // cm²; NaN without petiole
};

// The row of shape: site and specimen number NA, the given morphotype.
DilpRow dilpRow(const LeafShape& shape, const std::string& morphotype);

// The morphotype of a leaf when no sample sheet names one: "<picture stem>_<leaf>".
std::string defaultMorphotype(const std::string& pictureStem, int leaf);

// The column names, in dilp's order: site, specimen_number, morphotype, margin, feret,
// minimum_feret, blade_area, blade_perimeter, raw_blade_area, raw_blade_perimeter,
// internal_raw_blade_area, internal_raw_blade_perimeter, length_of_cut_perimeter,
// no_of_primary_teeth, no_of_subsidiary_teeth, petiole_width, petiole_area.
std::vector<std::string> dilpHeaderFields();

// The row's fields in the same order, each made for a tidy table (texts quoted when they need
// it, numbers with a '.' and 4 decimals, "NA").
std::vector<std::string> dilpFields(const DilpRow& row);

}  // namespace leafmargin
