// teeth.png: scaled down when large, points brought back from the analysed (turned) picture to
// the given one, each number beyond its tip on the background side, the legend band below.
#include <gtest/gtest.h>

#include "report/results_csv.h"
#include "report/teeth_picture.h"

namespace leafmargin {
namespace {

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
