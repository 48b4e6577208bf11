// The checks the R package dilp makes on a table of leaves before it reconstructs a climate
// (dilp_errors), stated as dilp states them, on the values it derives from each row first
// (dilp_processing). A table of this program's rows should trip none of them.
#pragma once

#include <cstddef>
#include <vector>

#include "physiognomy/dilp_row.h"

namespace leafmargin {

// What dilp derives from a row before checking it (NaN for NA).
struct DilpDerived {
  double leafArea = 0.0;                  // blade area + petiole area (NA petiole area as 0)
  double fdr = 0.0;                       // 2 sqrt(leaf area / pi) / feret
  double rawPerimeterCorrected = 0.0;     // raw blade perimeter - length of cut perimeter
  double internalPerimeterCorrected = 0.0;  // internal raw blade perimeter - the same
  double totalToothCount = 0.0;           // primary + subsidiary (NA as 0); NA when entire
  double toothCountPerInternalPerimeter = 0.0;
  double perimeterRatio = 0.0;            // raw / internal, both corrected
  // An entire leaf of a site and morphotype that also has toothed leaves: dilp gives it no
  // tooth count, a tooth count per perimeter of 0 and a perimeter ratio of 1, and exempts it
  // from the checks on entire leaves and on the perimeter ratio.
  bool mixedMarginEntire = false;
};

enum class DilpCheck {
  EntireToothCountNotNA,       // "Entire tooth count not NA"
  EntireToothCountIPNotNA,     // "Entire tooth count : IP not NA"
  EntirePerimeterRatioNotNA,   // "Entire perimeter ratio not NA"
  FdrNotBetween0And1,          // "FDR not between 0-1"
  ExternalNotLargerThanInternal,  // "External perimeter not larger than internal perimeter"
  FeretNotLargerThanMinimum,   // "Feret is not larger than minimum Feret"
  PerimeterRatioNotAbove1,     // "Perimeter ratio not greater than 1"
};

struct DilpError {
  DilpCheck check;
  std::size_t row;  // index into the rows checked
};

// dilp's label of a check.
const char* dilpCheckLabel(DilpCheck check);

// The derived values of every row (mixed margins are found over the whole table).
std::vector<DilpDerived> dilpDerived(const std::vector<DilpRow>& rows);

// Every check a row trips, checks in dilp's order, rows in order within each check:
// - entire leaves (margin 1) not exempted above with a primary or subsidiary tooth count, a
//   tooth count per internal perimeter (dilp derives none for them, so this one never trips on
//   its own), or a perimeter ratio that is not NA;
// - an FDR below 0 or above 1;
// - an internal perimeter (corrected) larger than the external one (corrected);
// - a minimum Feret larger than the Feret;
// - a perimeter ratio of at most 1, unless exempted above.
// A comparison with NA trips nothing.
std::vector<DilpError> dilpErrors(const std::vector<DilpRow>& rows);

}  // namespace leafmargin
