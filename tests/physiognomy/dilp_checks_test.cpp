// dilp's checks on a table of leaves, as dilp makes them: each check tripped by a row made to trip
// it and by nothing else, the values dilp derives first (leaf area with an NA petiole, perimeters
// less the cut perimeter, a raw perimeter taken from the blade's), the boundaries (an FDR of 1,
// equal perimeters, equal Ferets) and the entire leaves of a morphotype that also has toothed ones.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "physiognomy/dilp_checks.h"

namespace leafmargin {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// A toothed leaf that trips nothing: FDR 0.8, perimeter ratio 1.25, tooth count per perimeter 2.
DilpRow toothed(const char* morphotype = "m") {
  DilpRow row;
  row.site = "S";
  row.specimenNumber = morphotype;
  row.morphotype = morphotype;
  row.margin = 0;
  row.feret = 2.5, row.minimumFeret = 1.0;
  row.bladeArea = row.rawBladeArea = CV_PI - 0.25, row.petioleArea = 0.25;
  row.bladePerimeter = row.rawBladePerimeter = 10.0;
  row.internalRawBladeArea = 2.5, row.internalRawBladePerimeter = 8.0;
  row.lengthOfCutPerimeter = 0.0;
  row.primaryTeeth = 16;
  row.petioleWidth = 0.1;
  return row;
}

DilpRow entire(const char* morphotype = "e") {
  DilpRow row = toothed(morphotype);
  row.margin = 1;
  row.rawBladeArea = row.rawBladePerimeter = row.internalRawBladeArea = row.internalRawBladePerimeter = kNaN;
  row.primaryTeeth.reset();
  return row;
}

using Errors = std::vector<std::pair<DilpCheck, std::size_t>>;

Errors errorsOf(const std::vector<DilpRow>& rows) {
  Errors errors;
  for (const DilpError& e : dilpErrors(rows)) errors.emplace_back(e.check, e.row);
  return errors;
}

TEST(DilpChecks, EachCheckAndItsBoundary) {
  struct Case {
    const char* name;
    DilpRow row;
    Errors errors;
  };
  std::vector<Case> cases;
  const auto add = [&](const char* name, DilpRow row, std::vector<DilpCheck> checks) {
    Errors errors;
    for (DilpCheck c : checks) errors.emplace_back(c, 1);  // after a good row
    cases.push_back({name, row, errors});
  };
  add("toothed", toothed(), {});
  add("entire", entire(), {});
  DilpRow r = entire();
  r.primaryTeeth = 0;
  add("entire with teeth", r, {DilpCheck::EntireToothCountNotNA});
  r = entire();
  r.subsidiaryTeeth = 2;
  add("entire with subsidiary teeth", r, {DilpCheck::EntireToothCountNotNA});
  r = entire();
  r.rawBladePerimeter = r.internalRawBladePerimeter = 10.0;
  add("entire with perimeters", r, {DilpCheck::EntirePerimeterRatioNotNA, DilpCheck::PerimeterRatioNotAbove1});
  r = toothed();
  r.feret = 1.9;
  add("FDR above 1", r, {DilpCheck::FdrNotBetween0And1});
  r.feret = 2.0;
  add("FDR 1", r, {});
  r = toothed();
  r.feret = -2.0;
  r.minimumFeret = -3.0;
  add("FDR below 0", r, {DilpCheck::FdrNotBetween0And1});
  r = toothed();
  r.internalRawBladePerimeter = 10.5;
  add("internal longer", r, {DilpCheck::ExternalNotLargerThanInternal, DilpCheck::PerimeterRatioNotAbove1});
  r.internalRawBladePerimeter = 10.0;
  add("equal perimeters", r, {DilpCheck::PerimeterRatioNotAbove1});
  r = toothed();
  r.minimumFeret = 2.6;
  add("minimum Feret larger", r, {DilpCheck::FeretNotLargerThanMinimum});
  r.minimumFeret = 2.5;
  add("equal Ferets", r, {});
  r = toothed();
  r.lengthOfCutPerimeter = 9.0;  // 1 less the cut against -1: a negative ratio
  add("cut longer than the internal perimeter", r, {DilpCheck::PerimeterRatioNotAbove1});
  r = toothed();
  r.rawBladePerimeter = kNaN;
  r.internalRawBladePerimeter = 10.0;
  add("raw perimeter from the blade's", r, {DilpCheck::PerimeterRatioNotAbove1});
  r.lengthOfCutPerimeter = 1.0;
  add("no raw perimeter with a cut", r, {});
  r = toothed();
  r.petioleArea = kNaN;  // leaf area pi - 0.25: FDR 1.0099
  r.feret = 1.9;
  add("NA petiole area as 0", r, {DilpCheck::FdrNotBetween0And1});
  r = toothed();
  r.feret = kNaN;
  r.internalRawBladePerimeter = kNaN;
  add("NA trips nothing", r, {});
  for (const Case& c : cases) EXPECT_EQ(errorsOf({toothed(), c.row}), c.errors) << c.name;
}

TEST(DilpChecks, DerivedValues) {
  DilpRow r = toothed();
  r.lengthOfCutPerimeter = 2.0;
  r.subsidiaryTeeth = 4;
  const DilpDerived d = dilpDerived({r}).front();
  EXPECT_DOUBLE_EQ(d.leafArea, CV_PI);
  EXPECT_DOUBLE_EQ(d.fdr, 0.8);
  EXPECT_DOUBLE_EQ(d.rawPerimeterCorrected, 8.0);
  EXPECT_DOUBLE_EQ(d.internalPerimeterCorrected, 6.0);
  EXPECT_DOUBLE_EQ(d.totalToothCount, 20.0);
  EXPECT_DOUBLE_EQ(d.toothCountPerInternalPerimeter, 20.0 / 6.0);
  EXPECT_DOUBLE_EQ(d.perimeterRatio, 8.0 / 6.0);
  EXPECT_DOUBLE_EQ(dilpDerived({toothed()}).front().totalToothCount, 16.0);  // NA subsidiary as 0
  DilpRow counted = entire();
  counted.primaryTeeth = 3;
  const DilpDerived e = dilpDerived({counted}).front();
  EXPECT_TRUE(std::isnan(e.totalToothCount) && std::isnan(e.perimeterRatio) && std::isnan(e.toothCountPerInternalPerimeter));
}

// An entire leaf of a site and morphotype that also holds a toothed leaf: dilp sets its tooth
// count per perimeter to 0 and its perimeter ratio to 1, and leaves it out of the checks on
// entire leaves and on the ratio. Rows are matched by specimen number; with ==, which never
// matches NA, in the derived values, and with %in%, where NA matches NA, in the checks.
TEST(DilpChecks, EntireLeavesOfAMorphotypeWithToothedOnes) {
  DilpRow tooth = toothed("m"), whole = entire("m");
  whole.specimenNumber = "m2";
  whole.primaryTeeth = 3;
  whole.rawBladePerimeter = 10.0;  // the internal one NA
  whole.lengthOfCutPerimeter = 2.0;
  std::vector<DilpDerived> d = dilpDerived({tooth, whole});
  EXPECT_FALSE(d[0].mixedMarginEntire);
  EXPECT_TRUE(d[1].mixedMarginEntire);
  EXPECT_EQ(d[1].perimeterRatio, 1.0);
  EXPECT_EQ(d[1].toothCountPerInternalPerimeter, 0.0);
  EXPECT_EQ(d[1].totalToothCount, 0.0);
  EXPECT_EQ(d[1].rawPerimeterCorrected, 10.0);  // its cut perimeter taken as 0
  EXPECT_EQ(errorsOf({tooth, whole}), Errors{});
  // The same entire leaf in another site, or under another morphotype, is checked.
  const Errors checked{{DilpCheck::EntireToothCountNotNA, 1}};
  DilpRow elsewhere = whole;
  elsewhere.site.reset();
  EXPECT_EQ(errorsOf({tooth, elsewhere}), checked);
  elsewhere = whole;
  elsewhere.morphotype = "n";
  EXPECT_EQ(errorsOf({tooth, elsewhere}), checked);
  // Without specimen numbers: not set to 1 (==), yet exempted (%in%), as is every row without one.
  tooth.specimenNumber.reset();
  whole.specimenNumber.reset();
  DilpRow other = entire("o");
  other.specimenNumber.reset();
  other.rawBladePerimeter = other.internalRawBladePerimeter = 10.0;
  d = dilpDerived({tooth, whole, other});
  EXPECT_FALSE(d[1].mixedMarginEntire);
  EXPECT_TRUE(std::isnan(d[1].perimeterRatio));
  EXPECT_EQ(errorsOf({tooth, whole, other}), Errors{});
  EXPECT_STREQ(dilpCheckLabel(DilpCheck::FdrNotBetween0And1), "FDR not between 0-1");
  EXPECT_STREQ(dilpCheckLabel(DilpCheck::ExternalNotLargerThanInternal),
               "External perimeter not larger than internal perimeter");
}

}  // namespace
}  // namespace leafmargin
