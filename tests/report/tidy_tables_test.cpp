// The tidy tables: exact bytes of a small case, failed and zero-tooth pictures, and on random
// records every field equal to the matching cell of results.csv read with a '.'.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "report/csv_writer.h"
#include "report/number_format.h"
#include "report/results_csv.h"
#include "report/tidy_tables.h"

namespace leafmargin {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(TidyTables, HeadersRowsAndFailedPictures) {
  MeasurementRecord r;
  r.largeursDents = {236, 310.5};
  r.hauteursDents = {118, 160.3};
  r.largeursSinus = {250};  // the last row has no sinus
  r.hauteursSinus = {40.2};
  r.rapportsHauteurLargeur = {0.5, 160.3 / 310.5};
  r.anglesDents = {1.2, 0.95};
  r.anglesSinus = {2.1};
  r.anglesApicaux = {0.8, kNan};
  r.symetriesCentre = {92.5, 87};
  r.symetriesPerpendiculaire = {88.25, 90};
  r.profondeurMax = 72;
  TidyPicture p = tidyResults(r, kMmPerPixel);
  p.picture = "leaf, \"one\".jpg";
  p.folder = ".";
  p.path = "scans/leaf, \"one\".jpg";
  p.dpi = dpiField(1200);

  EXPECT_EQ(teethTableHeader(),
            "picture,folder,tooth,dpi,tooth_width_mm,tooth_height_mm,sinus_width_mm,"
            "sinus_height_mm,height_width_ratio_pct,tooth_angle_deg,sinus_angle_deg,"
            "apical_angle_deg,symmetry_centre_pct,symmetry_perpendicular_pct\n");
  EXPECT_EQ(teethTableRows(p),
            "\"leaf, \"\"one\"\".jpg\",.,1,1200,5.00,2.50,5.29,0.85,50.00,68.75,120.32,45.84,92.50,88.25\n"
            "\"leaf, \"\"one\"\".jpg\",.,2,1200,6.57,3.39,NA,NA,51.63,54.43,NA,NA,87.00,90.00\n");
  const std::string header = pictureTableHeader();
  const std::string pictureHeader =
      "picture,folder,path,status,exit_code,message,dpi,teeth,max_notch_depth_mm,"
      "tooth_width_mm_mean,tooth_width_mm_sd,tooth_height_mm_mean,";
  const std::string pictureHeaderEnd = ",symmetry_perpendicular_pct_mean,symmetry_perpendicular_pct_sd\n";
  EXPECT_EQ(header.rfind(pictureHeader, 0), 0u) << header;
  EXPECT_EQ(header.substr(header.size() - pictureHeaderEnd.size()), pictureHeaderEnd);
  EXPECT_EQ(std::count(header.begin(), header.end(), ','), 28);
  EXPECT_EQ(pictureTableRow(p).rfind("\"leaf, \"\"one\"\".jpg\",.,\"scans/leaf, \"\"one\"\".jpg\",ok,0,,"
                                     "1200,2,1.52,5.78,0.79,2.95,0.45,5.29,0.00,", 0), 0u);

  TidyPicture failed;
  failed.picture = "<b>&\"'.jpg";
  failed.folder = "<b>&\"'";
  failed.message = "killed by signal 11 (Segmentation fault)";
  std::string expected = "\"<b>&\"\"'.jpg\",\"<b>&\"\"'\",NA,failed,NA,"
                         "killed by signal 11 (Segmentation fault)";
  for (int i = 0; i < 23; ++i) expected += ",NA";
  EXPECT_EQ(pictureTableRow(failed), expected + "\n");
  EXPECT_EQ(teethTableRows(failed), "");

  const TidyPicture none = tidyResults(MeasurementRecord{}, kMmPerPixel);
  EXPECT_EQ(teethTableRows(none), "");
  std::string noTeeth = ",,NA,ok,0,,NA,0,0.00";
  for (int i = 0; i < 20; ++i) noTeeth += ",NA";
  EXPECT_EQ(pictureTableRow(none), noTeeth + "\n");
}

// Every number of the tidy tables is the cell of results.csv at the same place, with a '.'.
TEST(TidyTables, EveryValueIsTheResultsCell) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> value(0.0, 3000.0);
  for (int trial = 0; trial < 50; ++trial) {
    MeasurementRecord r;
    const int teeth = static_cast<int>(rng() % 8);
    for (std::vector<double>* s : {&r.largeursDents, &r.hauteursDents, &r.rapportsHauteurLargeur,
                                   &r.anglesDents, &r.anglesApicaux, &r.symetriesCentre,
                                   &r.symetriesPerpendiculaire}) {
      for (int i = 0; i < teeth; ++i) s->push_back(rng() % 9 == 0 ? kNan : value(rng) / 1000);
    }
    const int sinuses = std::max(0, teeth + static_cast<int>(rng() % 3) - 1);
    for (std::vector<double>* s : {&r.largeursSinus, &r.hauteursSinus, &r.anglesSinus}) {
      for (int i = 0; i < sinuses; ++i) s->push_back(value(rng));
    }
    r.profondeurMax = value(rng);
    const double mm = mmPerPixelAt(300 + rng() % 1200);

    // results.csv's lines as fields: data rows, then Moyenne and Ecart-type, then the notch.
    std::vector<std::vector<std::string>> results;
    for (const std::string& line : splitString(composeResultsText(r, mm), "\r\n")) {
      std::vector<std::string> cells = splitString(line, ";");
      for (std::string& c : cells) c = csvNumberFromCell(c);
      results.push_back(cells);
    }
    const TidyPicture p = tidyResults(r, mm);
    const std::vector<std::string> rows = splitString(teethTableRows(p), "\n");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(teeth) + 1);
    for (int i = 0; i < teeth; ++i) {
      const std::vector<std::string> fields = splitString(rows[i], ",");
      for (std::size_t k = 0; k < kMeasureCount; ++k) {
        EXPECT_EQ(fields[4 + k], results[1 + i][1 + k]) << "row " << i << " column " << k;
      }
    }
    std::string summaryLine = pictureTableRow(p);
    summaryLine.pop_back();
    const std::vector<std::string> summary = splitString(summaryLine, ",");
    EXPECT_EQ(summary[8], results[teeth + 7][1]);
    for (std::size_t k = 0; k < kMeasureCount; ++k) {
      EXPECT_EQ(summary[9 + 2 * k], results[teeth + 4][1 + k]) << "mean " << k;
      EXPECT_EQ(summary[10 + 2 * k], results[teeth + 6][1 + k]) << "sd " << k;
    }
  }
}

}  // namespace
}  // namespace leafmargin
