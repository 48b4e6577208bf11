// Cost of the symmetry stage on a large scan: 30 teeth of about 150 pixels on a 5000 x 3000
// picture, the windowed stage against the full-size procedure in the same run. Both must give
// the same lists; the windowed one must be far cheaper. The figures are printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>

#include <opencv2/imgproc.hpp>

#include "measure/symmetry.h"
#include "measure/symmetry_oracle.h"

namespace leafmargin {
namespace {

// Sinus first, then 30 teeth hanging down from a sinus line, bases of 150 to 170 pixels,
// heights of 120 to 180, tips shifted sideways so that the axes lean.
struct LargeMargin {
  std::vector<cv::Point> outline;
  std::vector<int> dents, sinus;
};

LargeMargin thirtyTeeth() {
  std::mt19937 rng(3);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<cv::Point> vertices{{200, 1200}};
  for (int k = 0; k < 30; ++k) {
    const int base = uniform(150, 170);
    const cv::Point before = vertices.back();
    vertices.emplace_back(before.x + base / 2 + uniform(-40, 40), 1200 + uniform(120, 180));
    vertices.emplace_back(before.x + base, 1200 + uniform(-10, 10));
  }
  // Densified into an 8-connected chain.
  LargeMargin m;
  m.outline.push_back(vertices[0]);
  m.sinus.push_back(0);
  for (size_t k = 1; k < vertices.size(); ++k) {
    const cv::Point a = vertices[k - 1], b = vertices[k];
    const int steps = std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    for (int i = 1; i <= steps; ++i)
      m.outline.emplace_back(a.x + static_cast<int>(std::lround((b.x - a.x) * double(i) / steps)),
                             a.y + static_cast<int>(std::lround((b.y - a.y) * double(i) / steps)));
    (k % 2 == 1 ? m.dents : m.sinus).push_back(static_cast<int>(m.outline.size()) - 1);
  }
  return m;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The full-size procedure costs seconds per tooth on this picture: by default it runs on the
// first few teeth only; LEAFMARGIN_SYMMETRY_BENCH=1 runs it on all 30 and adds the floor of
// any full-size route (the OpenCV work alone: allocation, fill, turn, flip, one count).
TEST(SymmetrySpeed, ThirtyTeethOnAFiveThousandByThreeThousandPicture) {
  const cv::Size size(5000, 3000);
  const LargeMargin m = thirtyTeeth();
  ASSERT_EQ(m.dents.size(), 30u);
  ASSERT_EQ(m.sinus.size(), 31u);
  const bool bench = std::getenv("LEAFMARGIN_SYMMETRY_BENCH") != nullptr;
  const size_t fullSizeTeeth = bench ? m.dents.size() : 3;

  std::ostringstream trace;
  const auto fastStart = std::chrono::steady_clock::now();
  const SymmetryLists fast =
      measureSymmetries(m.outline, m.dents, m.sinus, 1, size, RunOutput{trace, "", false});
  const double fastSeconds = secondsSince(fastStart);
  ASSERT_EQ(fast.symetriesCentre.size(), 30u);
  int below = 0;
  for (double v : fast.symetriesCentre) {
    EXPECT_FALSE(std::isnan(v));
    below += v < 100.0;
  }
  EXPECT_GT(below, 20);  // leaning teeth

  const auto literalStart = std::chrono::steady_clock::now();
  for (size_t t = 0; t < fullSizeTeeth; ++t) {
    for (int pass = 1; pass <= 2; ++pass) {
      const double expected = testing_oracle::literalSymmetryIndex(
                                  m.outline, m.dents[t], m.sinus[t], m.sinus[t + 1], pass, size)
                                  .symmetry;
      const double actual =
          (pass == 1 ? fast.symetriesCentre : fast.symetriesPerpendiculaire)[t];
      EXPECT_EQ(actual, expected) << "tooth " << t << " pass " << pass;
    }
  }
  // Extrapolated to the 30 teeth when only a few ran.
  const double literalSeconds = secondsSince(literalStart) * 30.0 / fullSizeTeeth;
  std::cout << "symmetry of 30 teeth on 5000 x 3000: windowed " << fastSeconds * 1000.0
            << " ms, full-size " << literalSeconds * 1000.0 << " ms"
            << (bench ? "" : " (from 3 teeth)") << ", ratio " << literalSeconds / fastSeconds
            << std::endl;
  EXPECT_LT(fastSeconds * 20.0, literalSeconds);
  if (!bench) return;

  const auto floorStart = std::chrono::steady_clock::now();
  long long sink = 0;
  for (size_t t = 0; t < m.dents.size(); ++t) {
    for (int pass = 1; pass <= 2; ++pass) {
      const cv::Point tip = m.outline[m.dents[t]];
      for (int side = 0; side < 2; ++side) {
        const int from = side == 0 ? m.sinus[t] : m.dents[t];
        const int to = side == 0 ? m.dents[t] : m.sinus[t + 1];
        std::vector<cv::Point> polygon(m.outline.begin() + from, m.outline.begin() + to + 1);
        polygon.push_back(m.outline[m.sinus[t]]);
        cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
        cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255));
        mask = testing_oracle::rotateImage(tip, mask, 170.0);
        if (side == 1) cv::flip(mask, mask, 1);
        sink += cv::countNonZero(mask == 255);
      }
    }
  }
  const double floorSeconds = secondsSince(floorStart);
  EXPECT_GT(sink, 0);
  std::cout << "OpenCV full-size work alone: " << floorSeconds * 1000.0 << " ms, ratio "
            << floorSeconds / fastSeconds << std::endl;
}

}  // namespace
}  // namespace leafmargin
