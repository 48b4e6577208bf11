// The symmetry of the teeth against the full-size procedure: two picture-sized masks per
// pass, filled, turned with rotateImage, mirrored and scanned whole. Random teeth of every
// kind must give the same four counts and the same percentage; teeth of known shape give the
// expected values; the stage prints and writes its diagnostics for the tooth t = 1 only.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <sstream>

#include "geometry/angles.h"
#include "geometry/line.h"
#include "geometry/segment.h"
#include "measure/symmetry.h"
#include "measure/symmetry_oracle.h"

namespace leafmargin {
namespace {

using testing_oracle::LiteralComparison;
using testing_oracle::literalSymmetryIndex;

int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

// An 8-connected chain through the vertices (straight pieces, no repeated point).
std::vector<cv::Point> chainThrough(const std::vector<cv::Point>& vertices,
                                    std::vector<int>* vertexAt = nullptr) {
  std::vector<cv::Point> chain{vertices.front()};
  if (vertexAt) vertexAt->assign(1, 0);
  for (size_t k = 1; k < vertices.size(); ++k) {
    const cv::Point a = vertices[k - 1], b = vertices[k];
    const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    for (int i = 1; i <= steps; ++i)
      chain.emplace_back(a.x + static_cast<int>(std::lround((b.x - a.x) * double(i) / steps)),
                         a.y + static_cast<int>(std::lround((b.y - a.y) * double(i) / steps)));
    if (vertexAt) vertexAt->push_back(static_cast<int>(chain.size()) - 1);
  }
  return chain;
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

  std::vector<int> at;
  t.outline = chainThrough(vertices, &at);
  t.before = at.front();
  t.tip = at[tipVertex];
  t.after = at.back();
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

std::vector<cv::Point> toothOutline(cv::Point before, cv::Point tip, cv::Point after, int* tipAt) {
  std::vector<int> at;
  const std::vector<cv::Point> outline = chainThrough({before, tip, after}, &at);
  *tipAt = at[1];
  return outline;
}

// Teeth point down from the leaf; the halves turn about the tip, so the picture needs room of
// one tooth height below it.
TEST(SymmetryIndex, IsoscelesToothIsSymmetricUpToItsEdgePixels) {
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
}

TEST(SymmetryIndex, SkewedToothIsLessSymmetricThanAnIsoscelesOne) {
  const cv::Size size(400, 500);
  int tipIsosceles = 0, tipSkewed = 0;
  const std::vector<cv::Point> isosceles = toothOutline({100, 100}, {160, 260}, {220, 100}, &tipIsosceles);
  const std::vector<cv::Point> skewed = toothOutline({100, 100}, {205, 260}, {220, 100}, &tipSkewed);
  const HalfComparison symmetric =
      symmetryIndex(isosceles, tipIsosceles, 0, static_cast<int>(isosceles.size()) - 1, 1, size);
  const HalfComparison lopsided =
      symmetryIndex(skewed, tipSkewed, 0, static_cast<int>(skewed.size()) - 1, 1, size);
  // Both teeth stay whole in the picture after the turn (the skewed one loses some flank
  // pixels to interpolation).
  EXPECT_GE(symmetric.nbGauche + symmetric.nbDroite, 120 * 160 / 2);
  EXPECT_GE(lopsided.nbGauche + lopsided.nbDroite, 120 * 160 / 2 * 9 / 10);
  EXPECT_LT(lopsided.symmetry, symmetric.symmetry - 10.0);
  EXPECT_GT(lopsided.symmetry, 0.0);
}

TEST(SymmetryIndex, EmptyHalvesAndPositionsOutsideTheOutlineGiveNaN) {
  const cv::Size size(50, 40);
  // The whole tooth lies off the picture: nothing is left of either half.
  int tip = 0;
  const std::vector<cv::Point> offPicture = toothOutline({-80, -10}, {-60, -40}, {-40, -10}, &tip);
  const HalfComparison off =
      symmetryIndex(offPicture, tip, 0, static_cast<int>(offPicture.size()) - 1, 2, size);
  EXPECT_EQ(off.nbGauche + off.nbDroite, 0);
  EXPECT_TRUE(std::isnan(off.symmetry));
  const std::vector<cv::Point> outline = toothOutline({10, 30}, {20, 5}, {30, 30}, &tip);
  EXPECT_TRUE(std::isnan(symmetryIndex(outline, tip, 0, 5000, 1, size).symmetry));
  EXPECT_TRUE(std::isnan(symmetryIndex(outline, -1, 0, 3, 1, size).symmetry));
}

// A margin of `teeth` isosceles-ish teeth, sinus first or tip first, densified, with the
// positions of its tips and sinuses.
struct Margin {
  std::vector<cv::Point> outline;
  std::vector<int> dents, sinus;
};

Margin zigzag(int teeth, bool sinusFirst, cv::Size size) {
  std::vector<cv::Point> vertices;
  std::vector<bool> isTip;
  const int step = size.width / (2 * teeth + 2);
  for (int k = 0; k < 2 * teeth + 1; ++k) {
    const bool tip = (k % 2 == 1) == sinusFirst;
    vertices.emplace_back(step * (k + 1), tip ? size.height / 4 + 7 * k % 11 : size.height * 3 / 4);
    isTip.push_back(tip);
  }
  Margin m;
  std::vector<int> at;
  m.outline = chainThrough(vertices, &at);
  for (size_t k = 0; k < vertices.size(); ++k) (isTip[k] ? m.dents : m.sinus).push_back(at[k]);
  return m;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string jpegOf(const cv::Mat& image) {
  std::vector<uchar> bytes;
  cv::imencode(".jpg", image, bytes);
  return std::string(bytes.begin(), bytes.end());
}

class SymmetryStage : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("symmetry_stage_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  bool written(const char* name) const { return std::filesystem::exists(dir_ / name); }
  static int traceLines(const std::string& trace) {
    int n = 0;
    for (size_t p = trace.find("enPlusAGauche"); p != std::string::npos;
         p = trace.find("enPlusAGauche", p + 1))
      ++n;
    return n;
  }

  std::filesystem::path dir_;
};

// Runs the stage and the full-size procedure on the same teeth: equal lists, the trace of the
// tooth t = 1 (both passes) and the diagnostic images of its pass 2, byte for byte.
void expectStageMatchesFullSize(const Margin& m, int f, cv::Size size, const std::string& dir) {
  std::ostringstream trace;
  const RunOutput out{trace, dir, true};
  const SymmetryLists lists = measureSymmetries(m.outline, m.dents, m.sinus, f, size, out);

  std::ostringstream expectedTrace;
  std::vector<double> centre, perpendicular;
  cv::Mat gauche, droite;
  const int end = std::min(static_cast<int>(m.sinus.size()) - f, static_cast<int>(m.dents.size()));
  for (int t = 1 - f; t < end; ++t) {
    for (int pass = 1; pass <= 2; ++pass) {
      const LiteralComparison c = literalSymmetryIndex(m.outline, m.dents[t], m.sinus[t + f - 1],
                                                       m.sinus[t + f], pass, size);
      if (t == 1) {
        gauche = c.gauche;
        droite = c.droite;
        expectedTrace << "enPlusAGauche" << c.enPlusAGauche << "enPlusADroite" << c.enPlusADroite
                      << "nbGauche+nbDroite" << c.nbGauche + c.nbDroite << "\n";
      }
      (pass == 1 ? centre : perpendicular).push_back(c.symmetry);
    }
  }
  EXPECT_EQ(trace.str(), expectedTrace.str());
  EXPECT_EQ(lists.symetriesCentre, centre);
  EXPECT_EQ(lists.symetriesPerpendiculaire, perpendicular);
  ASSERT_FALSE(gauche.empty());
  EXPECT_EQ(readFile(std::filesystem::path(dir) / "gauche.jpg"), jpegOf(gauche));
  EXPECT_EQ(readFile(std::filesystem::path(dir) / "droite.jpg"), jpegOf(droite));
}

TEST_F(SymmetryStage, MarginStartingWithATipSkipsItsFirstTipAndShowsTheFirstMeasured) {
  const cv::Size size(360, 200);
  const Margin m = zigzag(4, false, size);  // tip, sinus, tip, ..., tip
  ASSERT_EQ(m.dents.size(), 5u);
  ASSERT_EQ(m.sinus.size(), 4u);
  expectStageMatchesFullSize(m, 0, size, dir_.string());
  std::ostringstream trace;
  const SymmetryLists lists =
      measureSymmetries(m.outline, m.dents, m.sinus, 0, size, RunOutput{trace, "", false});
  EXPECT_EQ(lists.symetriesCentre.size(), 3u);  // tips 1, 2, 3
  EXPECT_EQ(traceLines(trace.str()), 2);
}

TEST_F(SymmetryStage, MarginStartingWithASinusShowsItsSecondTooth) {
  const cv::Size size(360, 200);
  const Margin m = zigzag(4, true, size);  // sinus, tip, ..., sinus
  ASSERT_EQ(m.dents.size(), 4u);
  expectStageMatchesFullSize(m, 1, size, dir_.string());
  std::ostringstream trace;
  const SymmetryLists lists =
      measureSymmetries(m.outline, m.dents, m.sinus, 1, size, RunOutput{trace, "", false});
  EXPECT_EQ(lists.symetriesCentre.size(), 4u);
  EXPECT_EQ(lists.symetriesPerpendiculaire.size(), 4u);
}

TEST_F(SymmetryStage, NoDiagnosticsWhenTheLoopDoesNotReachTheSecondTip) {
  const cv::Size size(200, 120);
  Margin m = zigzag(1, true, size);  // sinus, tip, sinus: one tooth, t = 0 only
  std::ostringstream trace;
  const SymmetryLists lists =
      measureSymmetries(m.outline, m.dents, m.sinus, 1, size, RunOutput{trace, dir_.string(), true});
  EXPECT_EQ(lists.symetriesCentre.size(), 1u);
  EXPECT_EQ(trace.str(), "");
  EXPECT_FALSE(written("gauche.jpg"));
  EXPECT_FALSE(written("droite.jpg"));

  // Tip first with two tips and one sinus: the loop bound min(1, 2) stops before t = 1.
  const Margin two = zigzag(1, false, size);
  const SymmetryLists none = measureSymmetries(two.outline, two.dents, two.sinus, 0, size,
                                               RunOutput{trace, dir_.string(), true});
  EXPECT_TRUE(none.symetriesCentre.empty());
  EXPECT_FALSE(written("gauche.jpg"));
  EXPECT_TRUE(measureSymmetries(two.outline, {}, {}, 0, size, RunOutput{trace, dir_.string(), true})
                  .symetriesCentre.empty());
  EXPECT_EQ(trace.str(), "");
}

TEST_F(SymmetryStage, ImagesOffStillPrintsTheTrace) {
  const cv::Size size(300, 160);
  const Margin m = zigzag(3, true, size);
  std::ostringstream trace;
  measureSymmetries(m.outline, m.dents, m.sinus, 1, size, RunOutput{trace, dir_.string(), false});
  EXPECT_EQ(traceLines(trace.str()), 2);
  EXPECT_FALSE(written("gauche.jpg"));
}

}  // namespace
}  // namespace leafmargin
