#include "literal_ratios.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "margin/candidates.h"
#include "margin/literal_oracles.h"
#include "margin/margin_analysis.h"
#include "measure/outline_fixture.h"
#include "measure/symmetry.h"
#include "measure/symmetry_oracle.h"
#include "outline/leaf_outline.h"

namespace leafmargin::bench {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A saw-toothed margin of 179 teeth of 120 x 70 pixels, about 30000 outline points: the fast
// analysis (best of three) against the literal side flags, angle profile and order searches.
bool marginRatio() {
  leafgen::LeafSpec design;
  design.teeth = 179;
  design.shape = leafgen::ToothShape::Saw;
  design.toothWidth = 120;
  design.toothHeight = 70;
  design.width = design.teeth * design.toothWidth + 300;
  design.shoulderRise = 0;
  std::vector<cv::Point> outline, smooth;
  sampleOutline(leafgen::marginPolyline(design), cv::Size(design.width, 2000), outline, smooth);

  std::ostringstream trace;
  const RunOutput out{trace, "", false};
  cv::Mat noDrawing;
  MarginAnalysis fast;
  double fastSeconds = 1e9;
  for (int run = 0; run < 3; ++run) {
    const Clock::time_point start = Clock::now();
    fast = analyseMargin(outline, smooth, noDrawing, out);
    fastSeconds = std::min(fastSeconds, secondsSince(start));
  }
  const Clock::time_point start = Clock::now();
  std::vector<bool> below(outline.size());
  for (size_t i = 0; i < outline.size(); ++i) below[i] = oracle::verticalOffset(outline[i], smooth) < 0;
  const std::vector<double> profile = oracle::angleProfile(outline, trace);
  const CandidateLists literal = candidatesFromRuns(findCrossings(below), below, profile);
  const auto firstFromZero = [&outline](int position) {
    return std::find(outline.begin(), outline.end(), outline[position]) - outline.begin();
  };
  const bool literalSinusFirst = firstFromZero(literal.sinus[0]) < firstFromZero(literal.dents[0]);
  const double literalSeconds = secondsSince(start);

  const bool same = findToothSinusCandidates(outline, smooth, trace).dents == literal.dents &&
                    literalSinusFirst == fast.commenceParSinus;
  std::cout << "margin analysis of " << outline.size() << " points: " << fastSeconds * 1e3
            << " ms; literal side flags, angle profile and order: " << literalSeconds * 1e3
            << " ms; ratio " << literalSeconds / fastSeconds << (same ? "" : "; RESULTS DIFFER")
            << "\n";
  return same;
}

// Sinus first, then 30 teeth hanging down from a sinus line on a 5000 x 3000 picture, bases of
// 150 to 170 pixels, heights of 120 to 180, tips shifted sideways so that the axes lean.
bool symmetryRatio(bool allTeeth) {
  const cv::Size size(5000, 3000);
  std::mt19937 rng(3);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<cv::Point> vertices{{200, 1200}};
  for (int k = 0; k < 30; ++k) {
    const cv::Point before = vertices.back();
    const int base = uniform(150, 170);
    vertices.emplace_back(before.x + base / 2 + uniform(-40, 40), 1200 + uniform(120, 180));
    vertices.emplace_back(before.x + base, 1200 + uniform(-10, 10));
  }
  const testing::DenseOutline d = testing::densify(vertices);
  std::vector<int> dents, sinus;
  for (size_t k = 0; k < vertices.size(); ++k) (k % 2 ? dents : sinus).push_back(d.vertexAt[k]);

  std::ostringstream trace;
  const Clock::time_point fastStart = Clock::now();
  const std::vector<ToothSymmetry> fast =
      measureSymmetries(d.points, pairTeethAndSinuses(dents, sinus, true).teeth, size,
                        RunOutput{trace, "", false})
          .teeth;
  const double fastSeconds = secondsSince(fastStart);

  const size_t literalTeeth = allTeeth ? dents.size() : 3;
  bool same = true;
  const Clock::time_point literalStart = Clock::now();
  for (size_t t = 0; t < literalTeeth; ++t)
    for (int pass = 1; pass <= 2; ++pass)
      same &= testing_oracle::literalSymmetryIndex(d.points, dents[t], sinus[t], sinus[t + 1], pass, size)
                  .symmetry == (pass == 1 ? fast[t].centre : fast[t].perpendicular);
  const double literalSeconds = secondsSince(literalStart) * dents.size() / literalTeeth;
  std::cout << "symmetry of 30 teeth on 5000 x 3000: windowed " << fastSeconds * 1e3
            << " ms, full-size " << literalSeconds * 1e3 << " ms"
            << (allTeeth ? "" : " (from 3 teeth)") << ", ratio " << literalSeconds / fastSeconds
            << (same ? "" : "; RESULTS DIFFER") << "\n";
  if (!allTeeth) return same;

  // The floor of any full-size route: the OpenCV work alone (allocate, fill, turn, flip, count).
  const Clock::time_point floorStart = Clock::now();
  for (size_t t = 0; t < dents.size(); ++t)
    for (int pass = 1; pass <= 2; ++pass)
      for (int side = 0; side < 2; ++side) {
        const int from = side == 0 ? sinus[t] : dents[t], to = side == 0 ? dents[t] : sinus[t + 1];
        std::vector<cv::Point> polygon(d.points.begin() + from, d.points.begin() + to + 1);
        polygon.push_back(d.points[sinus[t]]);
        cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
        cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255));
        mask = testing_oracle::rotateImage(d.points[dents[t]], mask, 170.0);
        if (side == 1) cv::flip(mask, mask, 1);
        same &= cv::countNonZero(mask == 255) >= 0;
      }
  const double floorSeconds = secondsSince(floorStart);
  std::cout << "OpenCV full-size work alone: " << floorSeconds * 1e3 << " ms, ratio "
            << floorSeconds / fastSeconds << "\n";
  return same;
}

}  // namespace

int benchLiteralRatios(bool allTeeth) {
  const bool margin = marginRatio();
  const bool symmetry = symmetryRatio(allTeeth);
  return margin && symmetry ? 0 : 1;
}

}  // namespace leafmargin::bench
