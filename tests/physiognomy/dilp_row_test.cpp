// A leaf's DiLP row: the header in dilp's names and order, the exact text of the row of a square
// with a petiole and a tooth cut across corners, and an entire one; drawn leaves segmented at four
// resolutions against their drawn geometry (areas, perimeters with and without teeth, calipers,
// petiole); a leaf running off the picture, whose cut perimeter is the stretch along the edge.
// The rows trip none of dilp's checks.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "drawn_leaf.h"
#include "physiognomy/dilp_checks.h"
#include "physiognomy/dilp_row.h"
#include "report/csv_writer.h"

namespace leafmargin {
namespace {

// A 100 x 100 pixel square at 10 pixels per mm traced a point per pixel (corners at points 0, 100,
// 200, 300), the leaf on the left.
LeafShape square(std::optional<int> petioleFrom, std::optional<int> petioleTo, std::vector<ToothSpan> teeth) {
  LeafShape shape;
  const cv::Point2d corners[4] = {{0, 0}, {0, 100}, {100, 100}, {100, 0}};
  for (int side = 0; side < 4; ++side)
    for (int k = 0; k < 100; ++k) shape.outline.push_back(corners[side] + (corners[(side + 1) % 4] - corners[side]) / 100.0 * k);
  shape.onBorder.assign(shape.outline.size(), false);
  shape.petioleFrom = petioleFrom;
  shape.petioleTo = petioleTo;
  shape.teeth = std::move(teeth);
  shape.pixelsPerMm = 10.0;
  return shape;
}

TEST(DilpRow, TheTextOfTheRows) {
  EXPECT_EQ(csvRecord(dilpHeaderFields()),
            "site,specimen_number,morphotype,margin,feret,minimum_feret,blade_area,blade_perimeter,"
            "raw_blade_area,raw_blade_perimeter,internal_raw_blade_area,internal_raw_blade_perimeter,"
            "length_of_cut_perimeter,no_of_primary_teeth,no_of_subsidiary_teeth,petiole_width,petiole_area\n");
  // The petiole cut from (20,0) to (0,20), a tooth from (70,100) round the corner to (100,70).
  const DilpRow toothed = dilpRow(square(380, 20, {{170, 200, 230}}), defaultMorphotype("scan", 1));
  EXPECT_EQ(csvRecord(dilpFields(toothed)),
            "NA,NA,scan_1,0,1.4142,1.00,0.9800,3.8828,0.9800,3.8828,0.9350,3.7071,0.00,1,NA,0.2828,0.0200\n");
  DilpRow entire = dilpRow(square(std::nullopt, std::nullopt, {}), "oak, \"big\"");
  entire.site = "Bois, A";
  entire.specimenNumber = "B-12";
  EXPECT_EQ(csvRecord(dilpFields(entire)),
            "\"Bois, A\",B-12,\"oak, \"\"big\"\"\",1,1.4142,1.00,1.00,4.00,NA,NA,NA,NA,0.00,NA,NA,NA,NA\n");
  EXPECT_TRUE(dilpErrors({toothed, entire}).empty());
}

// The drawn polygon's measures in scan pixels: blade and internal blade (the tips left out), their
// calipers from OpenCV's hull, and the petiole.
struct DrawnMeasures {
  double bladeArea, bladeLength, internalArea, internalLength, feret, minimumFeret, petioleWidth, petioleArea;
};

DrawnMeasures measuresOf(const testing::DrawnLeaf& leaf, const std::vector<cv::Point2d>& drawn) {
  const int n = static_cast<int>(drawn.size());
  std::vector<cv::Point2d> blade, internal, petiole;
  for (int k = *leaf.petioleTo;; k = (k + 1) % n) {
    blade.push_back(drawn[k]);
    const bool tip = std::any_of(leaf.teeth.begin(), leaf.teeth.end(), [&](const ToothSpan& t) { return t.tip == k; });
    if (!tip) internal.push_back(drawn[k]);
    if (k == *leaf.petioleFrom) break;
  }
  for (int k = *leaf.petioleFrom;; k = (k + 1) % n) {
    petiole.push_back(drawn[k]);
    if (k == *leaf.petioleTo) break;
  }
  std::vector<cv::Point2f> hull;
  cv::convexHull(std::vector<cv::Point2f>(blade.begin(), blade.end()), hull);
  double feret = 0.0, narrowest = 1e9;
  for (std::size_t i = 0; i < hull.size(); ++i) {
    const cv::Point2d a = hull[i], b = hull[(i + 1) % hull.size()];
    double across = 0.0;
    for (const cv::Point2f& p : hull) {
      feret = std::max(feret, cv::norm(cv::Point2d(p) - a));
      across = std::max(across, std::abs((b - a).cross(cv::Point2d(p) - a)) / cv::norm(b - a));
    }
    narrowest = std::min(narrowest, across);
  }
  return {0.5 * std::abs(twiceSignedArea(blade)), testing::polygonLength(blade),
          0.5 * std::abs(twiceSignedArea(internal)), testing::polygonLength(internal), feret, narrowest,
          cv::norm(drawn[*leaf.petioleFrom] - drawn[*leaf.petioleTo]), 0.5 * std::abs(twiceSignedArea(petiole))};
}

TEST(DilpRow, DrawnLeavesAtFourResolutions) {
  testing::LeafDrawing drawing;
  drawing.toothWidth = 4, drawing.toothHeight = 1.2, drawing.petioleWidth = 1.5;
  const testing::DrawnLeaf leaf = testing::drawLeaf(drawing);
  std::vector<DilpRow> rows;
  for (double dpi : {1200, 600, 300, 150}) {
    SCOPED_TRACE(dpi);
    const testing::TracedLeaf traced = testing::traceLeaf(leaf, dpi, {36, 20}, {64, 40});
    const DrawnMeasures drawn = measuresOf(leaf, traced.drawn);
    const DilpRow row = dilpRow(traced.shape, "leaf");
    const double cm = 10.0 * traced.shape.pixelsPerMm, pixel = 1.0 / cm;
    EXPECT_EQ(row.margin, 0);
    EXPECT_EQ(row.primaryTeeth, static_cast<int>(leaf.teeth.size()));
    EXPECT_FALSE(row.subsidiaryTeeth);
    EXPECT_NEAR(row.bladeArea / (drawn.bladeArea / cm / cm), 1.0, 0.005);
    EXPECT_NEAR(row.internalRawBladeArea / (drawn.internalArea / cm / cm), 1.0, 0.005);
    EXPECT_NEAR(row.bladePerimeter / (drawn.bladeLength / cm), 1.0, 0.01);
    EXPECT_NEAR(row.internalRawBladePerimeter / (drawn.internalLength / cm), 1.0, 0.01);
    EXPECT_EQ(row.rawBladeArea, row.bladeArea);
    EXPECT_EQ(row.rawBladePerimeter, row.bladePerimeter);
    EXPECT_NEAR(row.feret, drawn.feret / cm, pixel);
    EXPECT_NEAR(row.minimumFeret, drawn.minimumFeret / cm, pixel);
    EXPECT_NEAR(row.petioleWidth, drawn.petioleWidth / cm, 1.5 * pixel);
    EXPECT_NEAR(row.petioleArea / (drawn.petioleArea / cm / cm), 1.0, 0.05);
    EXPECT_EQ(row.lengthOfCutPerimeter, 0.0);
    rows.push_back(row);
  }
  const std::vector<DilpError> errors = dilpErrors(rows);
  for (const DilpError& e : errors) ADD_FAILURE() << dilpCheckLabel(e.check) << " on row " << e.row;
}

// An entire elliptic leaf (20 x 10 mm semi-axes) whose centre lies 15 mm from the picture's left
// edge: the edge cuts it along a chord of 2 * 10 * sqrt(1 - 0.75²) mm.
TEST(DilpRow, ALeafRunningOffThePicture) {
  testing::LeafDrawing drawing;
  drawing.a = 20, drawing.b = 10, drawing.turn = 0.0;
  const testing::DrawnLeaf leaf = testing::drawLeaf(drawing);
  for (double dpi : {600, 300}) {
    const testing::TracedLeaf traced = testing::traceLeaf(leaf, dpi, {15, 15}, {40, 30});
    const DilpRow row = dilpRow(traced.shape, "leaf");
    const double pixel = 2.54 / dpi;
    EXPECT_NEAR(row.lengthOfCutPerimeter, 2.0 * std::sqrt(1.0 - 0.5625), 2 * pixel) << dpi;
    double inside = 0.0;  // the drawn outline's length within the picture
    for (std::size_t k = 0; k < traced.drawn.size(); ++k) {
      const cv::Point2d a = traced.drawn[k], b = traced.drawn[(k + 1) % traced.drawn.size()];
      if (a.x >= 0.0 && b.x >= 0.0) inside += cv::norm(b - a) * pixel;
    }
    EXPECT_NEAR((row.bladePerimeter - row.lengthOfCutPerimeter) / inside, 1.0, 0.01) << dpi;
    EXPECT_EQ(row.margin, 1);
    EXPECT_TRUE(std::isnan(row.rawBladePerimeter) && std::isnan(row.petioleWidth));
    EXPECT_TRUE(dilpErrors({row}).empty());
  }
}

}  // namespace
}  // namespace leafmargin
