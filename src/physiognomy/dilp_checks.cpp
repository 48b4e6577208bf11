#include "physiognomy/dilp_checks.h"

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <utility>

namespace leafmargin {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool isNA(double value) { return std::isnan(value); }
double orNA(const std::optional<int>& count) { return count ? *count : kNaN; }

// The specimen numbers of the entire leaves whose site and morphotype also hold a toothed leaf
// (an NA site or specimen number is a value of its own, as in R's grouping and %in%).
std::set<std::optional<std::string>> mixedMarginSpecimens(const std::vector<DilpRow>& rows) {
  std::map<std::pair<std::optional<std::string>, std::string>, std::set<int>> margins;
  for (const DilpRow& row : rows) margins[{row.site, row.morphotype}].insert(row.margin);
  std::set<std::optional<std::string>> specimens;
  for (const DilpRow& row : rows) {
    const std::set<int>& group = margins[{row.site, row.morphotype}];
    if (row.margin == 1 && group.count(0) && group.count(1)) specimens.insert(row.specimenNumber);
  }
  return specimens;
}

}  // namespace

const char* dilpCheckLabel(DilpCheck check) {
  switch (check) {
    case DilpCheck::EntireToothCountNotNA: return "Entire tooth count not NA";
    case DilpCheck::EntireToothCountIPNotNA: return "Entire tooth count : IP not NA";
    case DilpCheck::EntirePerimeterRatioNotNA: return "Entire perimeter ratio not NA";
    case DilpCheck::FdrNotBetween0And1: return "FDR not between 0-1";
    case DilpCheck::ExternalNotLargerThanInternal: return "External perimeter not larger than internal perimeter";
    case DilpCheck::FeretNotLargerThanMinimum: return "Feret is not larger than minimum Feret";
    case DilpCheck::PerimeterRatioNotAbove1: return "Perimeter ratio not greater than 1";
  }
  return "";
}

std::vector<DilpDerived> dilpDerived(const std::vector<DilpRow>& rows) {
  const std::set<std::optional<std::string>> mixed = mixedMarginSpecimens(rows);
  std::vector<DilpDerived> derived;
  for (const DilpRow& row : rows) {
    DilpDerived d;
    // dilp finds these rows again with ==, which never matches an NA specimen number.
    d.mixedMarginEntire = row.specimenNumber && mixed.count(row.specimenNumber);
    const double petioleArea = row.bladeArea > 0.0 && isNA(row.petioleArea) ? 0.0 : row.petioleArea;
    d.leafArea = row.bladeArea + petioleArea;
    d.fdr = 2.0 * std::sqrt(d.leafArea / std::acos(-1.0)) / row.feret;
    const double cut = d.mixedMarginEntire || isNA(row.lengthOfCutPerimeter) ? 0.0 : row.lengthOfCutPerimeter;
    const double raw = isNA(row.rawBladePerimeter) && !isNA(row.bladePerimeter) && row.margin == 0 && cut == 0.0
                           ? row.bladePerimeter
                           : row.rawBladePerimeter;
    d.rawPerimeterCorrected = raw - cut;
    d.internalPerimeterCorrected = row.internalRawBladePerimeter - cut;
    const double subsidiary = row.subsidiaryTeeth ? *row.subsidiaryTeeth : 0.0;
    d.totalToothCount = d.mixedMarginEntire ? 0.0 : row.margin == 1 ? kNaN : orNA(row.primaryTeeth) + subsidiary;
    d.toothCountPerInternalPerimeter = d.mixedMarginEntire ? 0.0 : d.totalToothCount / d.internalPerimeterCorrected;
    d.perimeterRatio = d.mixedMarginEntire ? 1.0 : d.rawPerimeterCorrected / d.internalPerimeterCorrected;
    derived.push_back(d);
  }
  return derived;
}

std::vector<DilpError> dilpErrors(const std::vector<DilpRow>& rows) {
  const std::vector<DilpDerived> derived = dilpDerived(rows);
  // The checks' exemption matches specimen numbers with %in%, where NA matches NA.
  const std::set<std::optional<std::string>> mixed = mixedMarginSpecimens(rows);
  const auto exempt = [&](std::size_t r) { return mixed.count(rows[r].specimenNumber) > 0; };
  const auto entire = [&](std::size_t r) { return rows[r].margin == 1 && !exempt(r); };
  const auto trips = [&](DilpCheck check, std::size_t r) -> bool {
    const DilpRow& row = rows[r];
    const DilpDerived& d = derived[r];
    switch (check) {
      case DilpCheck::EntireToothCountNotNA:
        return entire(r) && (row.primaryTeeth || row.subsidiaryTeeth);
      case DilpCheck::EntireToothCountIPNotNA: return entire(r) && !isNA(d.toothCountPerInternalPerimeter);
      case DilpCheck::EntirePerimeterRatioNotNA: return entire(r) && !isNA(d.perimeterRatio);
      case DilpCheck::FdrNotBetween0And1: return d.fdr < 0.0 || d.fdr > 1.0;
      case DilpCheck::ExternalNotLargerThanInternal:
        return d.internalPerimeterCorrected > d.rawPerimeterCorrected;
      case DilpCheck::FeretNotLargerThanMinimum: return row.minimumFeret > row.feret;
      case DilpCheck::PerimeterRatioNotAbove1: return d.perimeterRatio <= 1.0 && !exempt(r);
    }
    return false;
  };
  std::vector<DilpError> errors;
  for (DilpCheck check : {DilpCheck::EntireToothCountNotNA, DilpCheck::EntireToothCountIPNotNA,
                          DilpCheck::EntirePerimeterRatioNotNA, DilpCheck::FdrNotBetween0And1,
                          DilpCheck::ExternalNotLargerThanInternal, DilpCheck::FeretNotLargerThanMinimum,
                          DilpCheck::PerimeterRatioNotAbove1}) {
    for (std::size_t r = 0; r < rows.size(); ++r)
      if (trips(check, r)) errors.push_back({check, r});
  }
  return errors;
}

}  // namespace leafmargin
