// The tidy tables: exact bytes of a small case (a last tooth without sinus, an undetermined
// apical angle, a name to quote), failed and zero-tooth pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

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

}  // namespace
}  // namespace leafmargin
