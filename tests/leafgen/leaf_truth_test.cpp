// The generator's truth about its leaves against what can be computed another way: an elliptic
// blade against the ellipse's own formulas, inside the picture and cut by its border; toothed
// blades against their drawn teeth, their petiole and brute-force calipers; and what each named
// scene promises. (The whole-leaf tests hold the truth of cut leaves against what the program
// measures on them.)
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/scene_painting.h"
#include "leafgen/scene_presets.h"
#include "leafgen/scene_truth.h"

namespace leafmargin::leafgen {
namespace {

// Length of the ellipse x = a cos t, y = b sin t for t in [from, to] (Simpson's rule).
double ellipseArc(double a, double b, double from, double to) {
  const int steps = 20000;
  const double h = (to - from) / steps;
  auto speed = [&](double t) { return std::hypot(a * std::sin(t), b * std::cos(t)); };
  double sum = speed(from) + speed(to);
  for (int i = 1; i < steps; ++i) sum += (i % 2 ? 4.0 : 2.0) * speed(from + i * h);
  return sum * h / 3.0;
}

// A blade whose half-width is sqrt(1 - u^2): an ellipse, without teeth or petiole.
SceneLeaf ellipseLeaf(double length, double width, cv::Point2d centre, double turn) {
  SceneLeaf leaf;
  leaf.shape.bladeLength = length;
  leaf.shape.bladeWidth = width;
  leaf.shape.ovate = 0.0;
  leaf.shape.apexSharpness = 1.0;
  leaf.shape.teethPerSide = 0;
  leaf.shape.petioleLength = 0.0;
  leaf.centre = centre;
  leaf.turnDegrees = turn;
  return leaf;
}

struct EllipseCase {
  const char* name;
  double length, width, turn;
  double cut;  // the picture's border at this share of the semi-major axis from the centre, the right
               // border across an axis turned by -90 degrees, the bottom one across an upright axis;
               // NaN: inside
};
// A failure shows its case by name rather than by the bytes of the struct.
void PrintTo(const EllipseCase& c, std::ostream* os) { *os << c.name; }

class EllipseTruth : public ::testing::TestWithParam<EllipseCase> {};

TEST_P(EllipseTruth, MatchesTheEllipsesFormulas) {
  const EllipseCase& c = GetParam();
  const Scene scene;  // A5 at 300 dpi
  const cv::Rect2d picture = pictureOnPage(scene);
  const double a = 0.5 * c.length, b = 0.5 * c.width;
  const cv::Point2d centre = std::isnan(c.cut) ? cv::Point2d(70.0, 100.0)
                             : c.turn == 0.0 ? cv::Point2d(70.0, picture.height - c.cut * a)
                                             : cv::Point2d(picture.width - c.cut * a, 100.0);
  const LeafTruth t = leafTruth(ellipseLeaf(c.length, c.width, centre, c.turn), picture);

  const double area = M_PI * a * b, perimeter = ellipseArc(a, b, 0.0, 2.0 * M_PI);
  EXPECT_NEAR(t.bladeArea / area, 1.0, 2e-5);
  EXPECT_NEAR(t.bladePerimeter / perimeter, 1.0, 2e-5);
  EXPECT_NEAR(t.bladeCalipers.feret, c.length, 1e-9);
  EXPECT_NEAR(t.bladeCalipers.minimumFeret / c.width, 1.0, 1e-6);
  EXPECT_EQ(t.internalArea, t.bladeArea);
  EXPECT_FALSE(t.petioleWidth.has_value());
  EXPECT_FALSE(t.visiblePetioleArea.has_value());

  const double r = std::isnan(c.cut) ? 1.0 : c.cut;  // the visible part: x <= r a
  const double visibleArea = a * b * (0.5 * M_PI + std::asin(r) + r * std::sqrt(1.0 - r * r));
  const double outside = r >= 1.0 ? 0.0 : ellipseArc(a, b, -std::acos(r), std::acos(r));
  const double border = 2.0 * b * std::sqrt(1.0 - r * r);
  EXPECT_NEAR(t.visibleBladeArea / visibleArea, 1.0, 2e-5);
  EXPECT_NEAR(t.outlineOutside, outside, 2e-5 * perimeter);
  EXPECT_NEAR(t.borderLength, border, 1e-3);
  EXPECT_NEAR(t.visibleBladePerimeter, perimeter - outside + border, 2e-5 * perimeter);
  EXPECT_NEAR(t.visibleInternalArea, t.visibleBladeArea, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EllipseTruth,
    ::testing::Values(EllipseCase{"Upright", 60.0, 30.0, 0.0, NAN}, EllipseCase{"Turned", 80.0, 24.0, 37.0, NAN},
                      EllipseCase{"ApexCutOff", 60.0, 30.0, -90.0, 0.4},
                      EllipseCase{"BaseCutOff", 44.0, 36.0, 0.0, 0.55},
                      EllipseCase{"MostlyOutside", 50.0, 40.0, -90.0, -0.3}),
    [](const auto& info) { return info.param.name; });

struct ToothedCase {
  const char* name;
  LeafShape shape;
  double turn;
};
void PrintTo(const ToothedCase& c, std::ostream* os) { *os << c.name; }

LeafShape shapeWith(double ovate, double sharpness, int teeth, double toothHeight, double tipAt, double petiole) {
  LeafShape shape;
  shape.ovate = ovate;
  shape.apexSharpness = sharpness;
  shape.teethPerSide = teeth;
  shape.toothHeight = toothHeight;
  shape.tipAt = tipAt;
  shape.petioleLength = petiole;
  return shape;
}

class ToothedTruth : public ::testing::TestWithParam<ToothedCase> {};

TEST_P(ToothedTruth, AgreesWithItsTeethPetioleAndBruteForceCalipers) {
  const ToothedCase& c = GetParam();
  SceneLeaf leaf;
  leaf.shape = c.shape;
  leaf.turnDegrees = c.turn;
  const LeafTruth t = leafTruth(leaf, cv::Rect2d(-500, -500, 1000, 1000));
  ASSERT_EQ(t.teeth.size(), 2u * c.shape.teethPerSide);
  EXPECT_EQ(t.teethInside(), static_cast<int>(t.teeth.size()));

  // Cutting a tooth off takes its triangle away, and its two edges give way to its width.
  double triangles = 0.0, edges = 0.0, widths = 0.0;
  int tipsOnBlade = 0, sinusesOnBlade = 0;
  for (const ToothTruth& tooth : t.teeth) {
    const DrawnTooth& d = tooth.drawn;
    triangles += 0.5 * std::abs((d.tip - d.sinusBefore).cross(d.sinusAfter - d.sinusBefore));
    edges += cv::norm(d.tip - d.sinusBefore) + cv::norm(d.sinusAfter - d.tip);
    widths += cv::norm(d.sinusAfter - d.sinusBefore);
    tipsOnBlade += std::count(t.blade.begin(), t.blade.end(), d.tip) == 1;
    sinusesOnBlade += std::count(t.internal.begin(), t.internal.end(), d.sinusBefore) == 1;
    const cv::Point2d chord = d.sinusAfter - d.sinusBefore;
    EXPECT_NEAR((d.tip - d.sinusBefore).dot(chord) / chord.dot(chord), c.shape.tipAt, 0.1);
    EXPECT_GT(d.height(), 0.9 * c.shape.toothHeight);
    EXPECT_LT(d.height(), 1.5 * c.shape.toothHeight);
  }
  EXPECT_EQ(tipsOnBlade, static_cast<int>(t.teeth.size()));
  EXPECT_EQ(sinusesOnBlade, static_cast<int>(t.teeth.size()));
  EXPECT_NEAR(t.internalArea, t.bladeArea - triangles, 1e-9 * t.bladeArea);
  EXPECT_NEAR(t.internalPerimeter, t.bladePerimeter - edges + widths, 1e-9 * t.bladePerimeter);
  EXPECT_GT(t.bladePerimeter, t.internalPerimeter);

  // The cut across the petiole parts the leaf in two; it is as wide as the petiole.
  if (c.shape.petioleLength > 0.0) {
    ASSERT_TRUE(t.petioleArea && t.petioleWidth);
    EXPECT_NEAR(*t.petioleWidth, c.shape.petioleWidth, 1e-9);
    EXPECT_NEAR(t.bladeArea + *t.petioleArea, polygonArea(t.outline), 1e-9 * t.bladeArea);
    EXPECT_NEAR(t.bladePerimeter + polygonPerimeter(t.petiole) - 2.0 * *t.petioleWidth, polygonPerimeter(t.outline),
                1e-9 * t.bladePerimeter);
    EXPECT_NEAR(cv::norm(0.5 * (t.base[0] + t.base[1]) - t.apex), c.shape.bladeLength, 0.02 * c.shape.bladeLength);
  } else {
    EXPECT_FALSE(t.petioleArea.has_value());
    EXPECT_EQ(t.base[0], t.base[1]);
  }

  // Feret: the farthest pair of vertices; minimum Feret: the narrowest width across the vertices
  // square to an edge of OpenCV's hull.
  double feret = 0.0, narrowest = HUGE_VAL;
  for (std::size_t i = 0; i < t.blade.size(); ++i)
    for (std::size_t j = i + 1; j < t.blade.size(); ++j) feret = std::max(feret, cv::norm(t.blade[i] - t.blade[j]));
  std::vector<int> hull;
  cv::convexHull(std::vector<cv::Point2f>(t.blade.begin(), t.blade.end()), hull);
  for (std::size_t i = 0; i < hull.size(); ++i) {
    cv::Point2d across = t.blade[hull[(i + 1) % hull.size()]] - t.blade[hull[i]];
    across = cv::Point2d(-across.y, across.x) * (1.0 / cv::norm(across));
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const cv::Point2d& p : t.blade) low = std::min(low, p.dot(across)), high = std::max(high, p.dot(across));
    narrowest = std::min(narrowest, high - low);
  }
  EXPECT_NEAR(t.bladeCalipers.feret, feret, 1e-9);
  EXPECT_NEAR(t.bladeCalipers.minimumFeret, narrowest, 1e-6 * narrowest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToothedTruth,
    ::testing::Values(ToothedCase{"Standard", LeafShape{}, 0.0},
                      ToothedCase{"OvateAcuminate", shapeWith(0.8, 2.2, 20, 1.0, 0.5, 12.0), 123.0},
                      ToothedCase{"FewDeepTeethNoPetiole", shapeWith(0.2, 1.4, 6, 3.0, 0.8, 0.0), -33.0}),
    [](const auto& info) { return info.param.name; });

struct PresetCase {
  const char* name;
  std::size_t leaves;
  int teethOutside;
  bool petioleCut, bladeCut, entire;
};
void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.name; }

class PresetTruth : public ::testing::TestWithParam<PresetCase> {};

TEST_P(PresetTruth, HasWhatItsNamePromisesAndKeepsObjectsOffTheLeaves) {
  const PresetCase& c = GetParam();
  const Scene scene = namedScene(c.name);
  const SceneTruth truth = sceneTruth(scene);
  ASSERT_EQ(truth.leaves.size(), c.leaves);
  for (const LeafTruth& leaf : truth.leaves) {
    EXPECT_EQ(static_cast<int>(leaf.teeth.size()) - leaf.teethInside(), c.teethOutside);
    EXPECT_EQ(leaf.teeth.empty(), c.entire);
    EXPECT_EQ(leaf.outlineOutside > 0.0, c.bladeCut);
    EXPECT_EQ(leaf.borderLength > 0.0, c.bladeCut);
    EXPECT_EQ(*leaf.visiblePetioleArea < *leaf.petioleArea, c.petioleCut);
    EXPECT_GT(*leaf.visiblePetioleArea, 0.0);
    for (const SceneObject& object : scene.objects) {
      const Polygon footprint = objectFootprint(object);
      for (const cv::Point2d& p : leaf.outline) EXPECT_FALSE(insidePolygon(footprint, p)) << objectKind(object);
      for (const cv::Point2d& p : footprint) EXPECT_FALSE(insidePolygon(leaf.outline, p)) << objectKind(object);
    }
  }
  if (c.leaves == 2) {
    // The leaves do not overlap; touching ones come within 0.01 mm of each other.
    double closest = HUGE_VAL;
    for (int i : {0, 1}) {
      const std::vector<cv::Point2f> other(truth.leaves[1 - i].outline.begin(), truth.leaves[1 - i].outline.end());
      for (const cv::Point2d& p : truth.leaves[i].outline) {
        EXPECT_FALSE(insidePolygon(truth.leaves[1 - i].outline, p));
        closest = std::min(closest, std::abs(cv::pointPolygonTest(other, cv::Point2f(p), true)));
      }
    }
    EXPECT_EQ(closest < 0.01, std::string(c.name) == "touching") << closest;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, PresetTruth,
    ::testing::Values(PresetCase{"paper", 1, 0, false, false, false}, PresetCase{"dark", 1, 0, false, false, false},
                      PresetCase{"graph-paper", 1, 0, false, false, false},
                      PresetCase{"two-leaves", 2, 0, false, false, false},
                      PresetCase{"touching", 2, 0, false, false, false},
                      PresetCase{"petiole-off-border", 1, 0, true, false, false},
                      PresetCase{"blade-off-border", 1, 2, false, true, false},
                      PresetCase{"entire", 1, 0, false, false, true},
                      PresetCase{"six-leaves", 6, 0, false, false, false},
                      PresetCase{"no-leaf", 0, 0, false, false, false}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
      return name;
    });

}  // namespace
}  // namespace leafmargin::leafgen
