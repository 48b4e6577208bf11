// The tidy outputs: exact bytes of the tables for a small case (a last tooth without sinus, an
// undetermined apical angle, a name to quote), failed and zero-tooth pictures; and teeth.png,
// scaled down when large, points brought back from the analysed (turned) picture to the given
// one, each number beyond its tip on the background side, the legend band below.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "report/csv_writer.h"
#include "report/number_format.h"
#include "report/results_csv.h"
#include "report/teeth_picture.h"
#include "report/tidy_tables.h"

namespace leafmargin {
namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();

TEST(TidyTables, HeadersRowsAndFailedPictures) {
  MeasurementRecord r;
  r.teeth = {{236, 118, 0.5, 1.2, 0.8, 92.5, 88.25}, {310.5, 160.3, 160.3 / 310.5, 0.95, kNan, 87, 90}};
  r.sinuses = {{250, 40.2, 2.1}};  // the last row has no sinus
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

bool isColour(const cv::Mat& m, cv::Point p, cv::Vec3b bgr) { return m.at<cv::Vec3b>(p) == bgr; }

TEST(TeethPicture, ScaleTurnAndLabels) {
  struct Case {
    cv::Size size;
    bool turned;
    cv::Size drawn;   // canvas size
    cv::Point tip;    // where the tip of position 1000 lands
    int labelSide;    // +1: number below the tip, -1: above
  };
  const Case cases[] = {
      {{3000, 1000}, false, {1600, 533 + 64}, {533, 266}, +1},
      {{3000, 1000}, true, {1600, 533 + 64}, {1066, 266}, -1},
      {{1200, 600}, false, {1200, 600 + 64}, {1000, 500}, +1},
  };
  for (const Case& c : cases) {
    const cv::Mat picture(c.size, CV_8UC3, cv::Scalar(60, 60, 60));
    std::vector<cv::Point> outline;  // a straight margin across the analysed picture
    const int y = c.size.height / 2 + (c.size.height == 600 ? 200 : 0);
    for (int x = 0; x < c.size.width; ++x) outline.push_back({x, y});
    const std::vector<MeasuredTooth> teeth = {{1000, 900, 1100}, {-1, 0, 5}};
    const cv::Mat drawn = drawTeethPicture(picture, outline, teeth, DeepestSinus{}, c.turned, kMmPerPixel);
    ASSERT_EQ(drawn.size(), c.drawn);
    EXPECT_TRUE(isColour(drawn, c.tip, {0, 0, 255})) << c.size << c.turned;
    // The white box of "1" lies about 18 px beyond the tip, not on the other side.
    EXPECT_TRUE(isColour(drawn, c.tip + cv::Point(0, 18 * c.labelSide) + cv::Point(-5, 0), {255, 255, 255}) ||
                isColour(drawn, c.tip + cv::Point(0, 18 * c.labelSide) + cv::Point(5, 0), {255, 255, 255}))
        << c.size << c.turned;
    EXPECT_FALSE(isColour(drawn, c.tip - cv::Point(0, 18 * c.labelSide), {255, 255, 255}));
    EXPECT_TRUE(isColour(drawn, {2, drawn.rows - 2}, {255, 255, 255}));  // the legend band
  }
}

}  // namespace
}  // namespace leafmargin
