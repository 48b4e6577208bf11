// The symmetry of the teeth against the full-size procedure: two picture-sized masks per
// pass, filled, turned, mirrored and scanned whole. Random teeth of every kind must give the
// same four counts and the same percentage, and the stage the same lists, trace and diagnostic
// images; teeth of known shape give the expected values.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <random>
#include <sstream>

#include "measure/symmetry.h"
#include "measure/symmetry_oracle.h"
#include "outline_fixture.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

using testing::densify;
using testing_oracle::LiteralComparison;
using testing_oracle::literalSymmetryIndex;

int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

struct RandomTooth {
  cv::Size size;
  std::vector<cv::Point> outline;
  int tip = 0, before = 0, after = 0;
};

// Teeth of every kind the comparison meets: ordinary and bumpy, cut by the picture border,
// with the base axis-aligned and the tip straight above its midpoint (turns of exactly 90 or
// 180 degrees), tiny, collapsed to one pixel, and with the sinus positions out of order.
RandomTooth randomTooth(std::mt19937& rng, int maxSide = 220, int maxScale = 90) {
  RandomTooth t;
  t.size = cv::Size(uniform(rng, 6, maxSide), uniform(rng, 6, maxSide));
  const int w = t.size.width, h = t.size.height;
  const int kind = uniform(rng, 0, 5);
  const int scale = kind == 3 ? 2 : uniform(rng, 3, maxScale);
  // Anywhere, a little outside the picture included, so that halves and feet cross borders.
  const cv::Point centre(uniform(rng, -scale / 2, w + scale / 2), uniform(rng, -scale / 2, h + scale / 2));
  auto jitter = [&](int r) { return cv::Point(uniform(rng, -r, r), uniform(rng, -r, r)); };
  cv::Point left = centre + cv::Point(-scale, uniform(rng, 0, scale)) + jitter(scale / 3);
  cv::Point right = centre + cv::Point(scale, uniform(rng, 0, scale)) + jitter(scale / 3);
  cv::Point tip = centre + cv::Point(0, -scale) + jitter(scale);
  if (kind == 2) {  // exact axis: base horizontal or vertical, tip over the midpoint
    const int half = uniform(rng, 1, scale);
    if (uniform(rng, 0, 1) == 0) {
      left = centre + cv::Point(-half, 0);
      right = centre + cv::Point(half, 0);
      tip = centre + cv::Point(0, uniform(rng, -2 * scale, 2 * scale));
    } else {
      left = centre + cv::Point(0, -half);
      right = centre + cv::Point(0, half);
      tip = centre + cv::Point(uniform(rng, -2 * scale, 2 * scale), 0);
    }
  }
  std::vector<cv::Point> vertices{left};
  for (int k = uniform(rng, 0, kind == 1 ? 4 : 0); k > 0; --k) vertices.push_back(left + jitter(scale));
  vertices.push_back(tip);
  const size_t tipVertex = vertices.size() - 1;
  for (int k = uniform(rng, 0, kind == 1 ? 4 : 0); k > 0; --k) vertices.push_back(right + jitter(scale));
  vertices.push_back(right);
  if (kind == 4) vertices.assign(vertices.size(), centre);  // one pixel: empty or tiny halves

  const testing::DenseOutline dense = densify(vertices);
  t.outline = dense.points;
  t.before = dense.vertexAt.front();
  t.tip = dense.vertexAt[tipVertex];
  t.after = dense.vertexAt.back();
  if (kind == 5) {  // sinus positions on the wrong side of the tip: a half is only its foot
    if (uniform(rng, 0, 1) == 0) t.before = uniform(rng, t.tip, t.after);
    else t.after = uniform(rng, t.before, t.tip);
  }
  return t;
}

bool sameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

TEST(SymmetryIndex, EqualsTheFullSizeProcedureOnRandomTeeth) {
  std::mt19937 rng(2024);
  int nanCount = 0, footOutside = 0, partial = 0;
  for (int trial = 0; trial < 2600; ++trial) {
    // A few larger pictures and teeth among the many small ones.
    const RandomTooth t = trial % 26 == 0 ? randomTooth(rng, 1500, 400) : randomTooth(rng);
    for (int pass = 1; pass <= 2; ++pass) {
      const LiteralComparison expected =
          literalSymmetryIndex(t.outline, t.tip, t.before, t.after, pass, t.size);
      const HalfComparison actual =
          symmetryIndex(t.outline, t.tip, t.before, t.after, pass, t.size);
      ASSERT_EQ(actual.nbGauche, expected.nbGauche) << "trial " << trial << " pass " << pass;
      ASSERT_EQ(actual.nbDroite, expected.nbDroite) << "trial " << trial << " pass " << pass;
      ASSERT_EQ(actual.enPlusAGauche, expected.enPlusAGauche) << "trial " << trial << " pass " << pass;
      ASSERT_EQ(actual.enPlusADroite, expected.enPlusADroite) << "trial " << trial << " pass " << pass;
      ASSERT_TRUE(sameValue(actual.symmetry, expected.symmetry))
          << "trial " << trial << " pass " << pass << ": " << actual.symmetry << " vs "
          << expected.symmetry;
      nanCount += std::isnan(expected.symmetry);
      footOutside += !cv::Rect(cv::Point(0, 0), t.size).contains(expected.foot);
      partial += expected.nbGauche > 0 && expected.nbDroite > 0 && expected.symmetry < 100.0;
    }
  }
  // The draw really reached the rare cases.
  EXPECT_GT(nanCount, 20);
  EXPECT_GT(footOutside, 100);
  EXPECT_GT(partial, 1000);
}

// A tooth from before through tip to after, densified; the position of its tip.
std::vector<cv::Point> toothOutline(cv::Point before, cv::Point tip, cv::Point after, int* tipAt) {
  const testing::DenseOutline d = densify({before, tip, after});
  *tipAt = d.vertexAt[1];
  return d.points;
}

// Teeth point down from the leaf; the halves turn about the tip, so the picture needs room of
// one tooth height below it.
TEST(SymmetryIndex, IsoscelesToothIsSymmetricUpToItsEdgePixelsAndASkewedOneIsNot) {
  const cv::Size size(400, 500);
  int tip = 0;
  const std::vector<cv::Point> outline = toothOutline({100, 100}, {160, 280}, {220, 100}, &tip);
  const int last = static_cast<int>(outline.size()) - 1;
  // Pass 1 turns by 180 degrees about the tip: the halves are exact mirror images.
  const HalfComparison centre = symmetryIndex(outline, tip, 0, last, 1, size);
  EXPECT_GE(centre.nbGauche, 60 * 180 / 2);  // the whole triangle, edges included
  EXPECT_EQ(centre.nbGauche, centre.nbDroite);
  EXPECT_EQ(centre.symmetry, 100.0);
  // Pass 2: the integer perpendicular leans by one column, so the axis turns by a fraction
  // of a degree and the flanks come out interpolated; under one mismatch per flank row.
  const HalfComparison perpendicular = symmetryIndex(outline, tip, 0, last, 2, size);
  EXPECT_GE(perpendicular.nbGauche, 60 * 180 / 2 - 300);
  EXPECT_LE(perpendicular.enPlusAGauche + perpendicular.enPlusADroite, 180);
  EXPECT_GT(perpendicular.symmetry, 99.0);
  EXPECT_LT(perpendicular.symmetry, 100.0);

  const std::vector<cv::Point> skewed = toothOutline({100, 100}, {205, 280}, {220, 100}, &tip);
  const HalfComparison lopsided =
      symmetryIndex(skewed, tip, 0, static_cast<int>(skewed.size()) - 1, 1, size);
  EXPECT_GE(lopsided.nbGauche + lopsided.nbDroite, 120 * 180 / 2 * 9 / 10);
  EXPECT_LT(lopsided.symmetry, centre.symmetry - 10.0);
  EXPECT_GT(lopsided.symmetry, 0.0);

  // Positions outside the outline give empty halves.
  EXPECT_TRUE(std::isnan(symmetryIndex(outline, tip, 0, 5000, 1, size).symmetry));
  EXPECT_TRUE(std::isnan(symmetryIndex(outline, -1, 0, 3, 1, size).symmetry));
}

// A margin of `teeth` teeth, sinus first or tip first, with the positions of its tips and sinuses.
struct Margin { std::vector<cv::Point> outline; std::vector<int> dents, sinus; };

Margin zigzag(int teeth, bool sinusFirst, cv::Size size) {
  std::vector<cv::Point> vertices;
  const int step = size.width / (2 * teeth + 2);
  for (int k = 0; k < 2 * teeth + 1; ++k) {
    const bool tip = (k % 2 == 1) == sinusFirst;
    vertices.emplace_back(step * (k + 1), tip ? size.height / 4 + 7 * k % 11 : size.height * 3 / 4);
  }
  const testing::DenseOutline d = densify(vertices);
  Margin m{d.points, {}, {}};
  for (int k = 0; k < 2 * teeth + 1; ++k)
    ((k % 2 == 1) == sinusFirst ? m.dents : m.sinus).push_back(d.vertexAt[k]);
  return m;
}

std::string jpegOf(const cv::Mat& image) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", image, bytes);
  return std::string(bytes.begin(), bytes.end());
}

// The stage against the full-size procedure on the same teeth: equal lists, the trace of the
// tooth t = 1 (both passes) and the diagnostic images of its pass 2, byte for byte, only when
// images are written. The tooth t = 1 is the second tip, whichever tooth that is.
TEST(SymmetryStage, ListsTraceAndImagesOfTheFullSizeProcedure) {
  struct Case { int teeth; bool sinusFirst; };
  // Sinus first t runs from 0 and the images show the second tooth; tip first from 1 and they
  // show the first tooth measured. One tooth sinus first, or two tips around one sinus, never
  // reach t = 1.
  for (const Case& c : {Case{4, false}, Case{4, true}, Case{1, true}, Case{1, false}}) {
    const cv::Size size(360, 200);
    const Margin m = zigzag(c.teeth, c.sinusFirst, size);
    const int f = c.sinusFirst;
    std::string expectedTrace;
    std::vector<double> centre, perpendicular;
    cv::Mat gauche, droite;
    const int end = std::min(static_cast<int>(m.sinus.size()) - f, static_cast<int>(m.dents.size()));
    for (int t = 1 - f; t < end; ++t) {
      for (int pass = 1; pass <= 2; ++pass) {
        const LiteralComparison l = literalSymmetryIndex(m.outline, m.dents[t], m.sinus[t + f - 1],
                                                         m.sinus[t + f], pass, size);
        if (t == 1) {
          gauche = l.gauche;
          droite = l.droite;
          expectedTrace += "enPlusAGauche" + std::to_string(l.enPlusAGauche) + "enPlusADroite" +
                           std::to_string(l.enPlusADroite) + "nbGauche+nbDroite" +
                           std::to_string(l.nbGauche + l.nbDroite) + "\n";
        }
        (pass == 1 ? centre : perpendicular).push_back(l.symmetry);
      }
    }
    for (bool images : {true, false}) {
      SCOPED_TRACE(::testing::Message() << c.teeth << (c.sinusFirst ? " sinus first" : " tip first")
                                        << (images ? "" : ", images off"));
      const testing::ScratchDir dir("symmetry");
      std::ostringstream trace;
      const SymmetryLists lists = measureSymmetries(m.outline, m.dents, m.sinus, f, size,
                                                    RunOutput{trace, dir.path().string(), images});
      EXPECT_EQ(trace.str(), expectedTrace);
      EXPECT_EQ(lists.symetriesCentre, centre);
      EXPECT_EQ(lists.symetriesPerpendiculaire, perpendicular);
      const bool shown = images && !gauche.empty();
      EXPECT_EQ(testing::readFile(dir.path() / "gauche.jpg"), shown ? jpegOf(gauche) : "");
      EXPECT_EQ(testing::readFile(dir.path() / "droite.jpg"), shown ? jpegOf(droite) : "");
    }
  }
}

}  // namespace
}  // namespace leafmargin
