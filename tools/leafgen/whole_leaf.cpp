#include "leafgen/whole_leaf.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace leafmargin::leafgen {

namespace {

constexpr int kCurveSamples = 4000;  // samples of each side of the blade
constexpr int kSubpixelBits = 4;     // polygons are filled with 1/16 pixel precision

// Half-width of the blade at t (0 base, 1 apex), before scaling to the blade's width.
double halfWidthShape(const WholeLeafSpec& d, double t) {
  const double u = 2.0 * std::pow(t, 1.0 - 0.5 * d.ovate) - 1.0;
  return std::pow(std::max(0.0, 1.0 - u * u), 0.5 * d.apexSharpness);
}

// One side of the blade, base to apex, in the leaf's frame (x along the axis from the base,
// y across it; side = +1 or -1 picks the half).
std::vector<cv::Point2d> bladeSide(const WholeLeafSpec& d, int side) {
  double widest = 0.0;
  for (int i = 0; i <= kCurveSamples; ++i)
    widest = std::max(widest, halfWidthShape(d, static_cast<double>(i) / kCurveSamples));
  std::vector<cv::Point2d> curve;
  for (int i = 0; i <= kCurveSamples; ++i) {
    const double t = static_cast<double>(i) / kCurveSamples;
    curve.emplace_back(t * d.bladeLength, side * 0.5 * d.bladeWidth * halfWidthShape(d, t) / widest);
  }
  return curve;
}

struct SideWithTeeth {
  std::vector<cv::Point2d> outline;  // base to apex
  std::vector<DrawnTooth> teeth;
};

// The side's curve with saw teeth cut along its toothed part, of equal length along the curve.
SideWithTeeth addTeeth(const WholeLeafSpec& d, const std::vector<cv::Point2d>& curve, int side) {
  std::vector<double> arc(curve.size(), 0.0);
  for (std::size_t i = 1; i < curve.size(); ++i) arc[i] = arc[i - 1] + cv::norm(curve[i] - curve[i - 1]);
  auto indexAt = [&](double s) {
    return std::min<std::size_t>(curve.size() - 1, std::lower_bound(arc.begin(), arc.end(), s) - arc.begin());
  };
  const double from = arc[static_cast<std::size_t>(d.toothedFrom * kCurveSamples)];
  const double to = arc[static_cast<std::size_t>(d.toothedTo * kCurveSamples)];
  const double step = (to - from) / std::max(1, d.teethPerSide);

  SideWithTeeth result;
  const std::size_t first = indexAt(from), last = indexAt(to);
  result.outline.assign(curve.begin(), curve.begin() + first);
  for (int k = 0; k < d.teethPerSide; ++k) {
    const std::size_t s0 = indexAt(from + k * step), s1 = indexAt(from + (k + 1) * step);
    const std::size_t tipIndex = indexAt(from + (k + d.tipAt) * step);
    const cv::Point2d tangent = curve[std::min(tipIndex + 1, curve.size() - 1)] - curve[tipIndex - 1];
    cv::Point2d outward(-tangent.y, tangent.x);
    outward *= 1.0 / cv::norm(outward);
    if (outward.y * side < 0) outward = -outward;
    DrawnTooth tooth{curve[tipIndex] + d.toothHeight * outward, curve[s0], curve[s1]};
    result.outline.push_back(tooth.sinusBefore);
    result.outline.push_back(tooth.tip);
    result.teeth.push_back(tooth);
  }
  result.outline.insert(result.outline.end(), curve.begin() + last, curve.end());
  return result;
}

}  // namespace

double DrawnTooth::width() const { return cv::norm(sinusAfter - sinusBefore); }

double DrawnTooth::height() const {
  const cv::Point2d base = sinusAfter - sinusBefore;
  const cv::Point2d toTip = tip - sinusBefore;
  return std::abs(base.x * toTip.y - base.y * toTip.x) / cv::norm(base);
}

GeneratedWholeLeaf generateWholeLeaf(const WholeLeafSpec& d) {
  if (d.bladeLength < 100 || d.bladeWidth < 50 || d.teethPerSide < 0 || d.toothedFrom < 0.0 ||
      d.toothedTo > 1.0 || d.toothedFrom >= d.toothedTo || d.tipAt <= 0.0 || d.tipAt >= 1.0)
    throw std::invalid_argument("whole leaf design out of range");
  const SideWithTeeth right = addTeeth(d, bladeSide(d, 1), 1);
  const SideWithTeeth left = addTeeth(d, bladeSide(d, -1), -1);
  std::vector<cv::Point2d> blade = right.outline;
  blade.insert(blade.end(), left.outline.rbegin(), left.outline.rend());
  const double w = 0.5 * d.petioleWidth;
  const std::vector<cv::Point2d> petiole{
      {-static_cast<double>(d.petioleLength), -w}, {2.0 * w, -w}, {2.0 * w, w},
      {-static_cast<double>(d.petioleLength), w}};

  // Leaf frame to picture: the axis points up at turn 0 and turns counter-clockwise.
  const double theta = d.turnDegrees * M_PI / 180.0;
  const cv::Point2d along(-std::sin(theta), -std::cos(theta)), across(std::cos(theta), -std::sin(theta));
  auto place = [&](cv::Point2d p) { return along * p.x + across * p.y; };
  std::vector<cv::Point2d> placedBlade, placedPetiole;
  for (const auto& p : blade) placedBlade.push_back(place(p));
  for (const auto& p : petiole) placedPetiole.push_back(place(p));
  cv::Point2d low = placedBlade[0], high = placedBlade[0];
  for (const auto* polygon : {&placedBlade, &placedPetiole})
    for (const auto& p : *polygon) {
      low = {std::min(low.x, p.x), std::min(low.y, p.y)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y)};
    }
  const cv::Point2d shift(d.groundMargin - low.x, d.groundMargin - low.y);

  GeneratedWholeLeaf leaf;
  const cv::Size size(static_cast<int>(std::ceil(high.x - low.x)) + 2 * d.groundMargin,
                      static_cast<int>(std::ceil(high.y - low.y)) + 2 * d.groundMargin);
  const cv::Scalar ground = d.darkGround ? cv::Scalar(25, 25, 25) : cv::Scalar(240, 240, 240);
  const cv::Scalar colour = d.darkGround ? cv::Scalar(110, 210, 140) : cv::Scalar(50, 120, 60);
  leaf.image = cv::Mat(size, CV_8UC3, ground);
  auto fixed = [&](const std::vector<cv::Point2d>& polygon) {
    std::vector<cv::Point> out;
    for (const auto& p : polygon)
      out.emplace_back(static_cast<int>(std::lround((p.x + shift.x) * (1 << kSubpixelBits))),
                       static_cast<int>(std::lround((p.y + shift.y) * (1 << kSubpixelBits))));
    return out;
  };
  // One polygon per call: a single call would leave their overlap empty.
  for (const auto* polygon : {&placedBlade, &placedPetiole})
    cv::fillPoly(leaf.image, std::vector<std::vector<cv::Point>>{fixed(*polygon)}, colour, cv::LINE_8,
                 kSubpixelBits);
  auto toPicture = [&](cv::Point2d p) { return place(p) + shift; };
  for (const auto* side : {&right, &left})
    for (const DrawnTooth& t : side->teeth)
      leaf.teeth.push_back({toPicture(t.tip), toPicture(t.sinusBefore), toPicture(t.sinusAfter)});
  leaf.apex = toPicture({static_cast<double>(d.bladeLength), 0.0});
  leaf.base = toPicture({0.0, 0.0});
  return leaf;
}

}  // namespace leafmargin::leafgen
