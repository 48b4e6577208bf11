#include "leafgen/leaf_shape.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace leafmargin::leafgen {

namespace {

constexpr int kCurveSamples = 4000;  // samples of each side of the blade

// Half-width of the blade at t (0 base, 1 apex), before scaling to the blade's width.
double halfWidthShape(const LeafShape& d, double t) {
  const double u = 2.0 * std::pow(t, 1.0 - 0.5 * d.ovate) - 1.0;
  return std::pow(std::max(0.0, 1.0 - u * u), 0.5 * d.apexSharpness);
}

// One side of the blade, base to apex (side = +1 or -1 picks the half).
Polygon bladeSide(const LeafShape& d, int side) {
  double widest = 0.0;
  for (int i = 0; i <= kCurveSamples; ++i)
    widest = std::max(widest, halfWidthShape(d, static_cast<double>(i) / kCurveSamples));
  Polygon curve;
  for (int i = 0; i <= kCurveSamples; ++i) {
    const double t = static_cast<double>(i) / kCurveSamples;
    curve.emplace_back(t * d.bladeLength, side * 0.5 * d.bladeWidth * halfWidthShape(d, t) / widest);
  }
  return curve;
}

struct SideWithTeeth {
  Polygon outline;   // base to apex
  Polygon internal;  // the same without the tips
  std::vector<DrawnTooth> teeth;
};

// The side's curve with saw teeth cut along its toothed part, of equal length along the curve:
// the curve between two sinuses gives way to the tooth's two straight edges.
SideWithTeeth addTeeth(const LeafShape& d, const Polygon& curve, int side) {
  if (d.teethPerSide == 0) return {curve, curve, {}};
  std::vector<double> arc(curve.size(), 0.0);
  for (std::size_t i = 1; i < curve.size(); ++i) arc[i] = arc[i - 1] + cv::norm(curve[i] - curve[i - 1]);
  auto indexAt = [&](double s) {
    return std::min<std::size_t>(curve.size() - 1, std::lower_bound(arc.begin(), arc.end(), s) - arc.begin());
  };
  const double from = arc[static_cast<std::size_t>(d.toothedFrom * kCurveSamples)];
  const double to = arc[static_cast<std::size_t>(d.toothedTo * kCurveSamples)];
  const double step = (to - from) / d.teethPerSide;

  SideWithTeeth result;
  const std::size_t first = indexAt(from), last = indexAt(to);
  result.outline.assign(curve.begin(), curve.begin() + first);
  result.internal = result.outline;
  for (int k = 0; k < d.teethPerSide; ++k) {
    const std::size_t s0 = indexAt(from + k * step), s1 = indexAt(from + (k + 1) * step);
    const std::size_t tipIndex = std::max<std::size_t>(1, indexAt(from + (k + d.tipAt) * step));
    const cv::Point2d tangent = curve[std::min(tipIndex + 1, curve.size() - 1)] - curve[tipIndex - 1];
    cv::Point2d outward(-tangent.y, tangent.x);
    outward *= 1.0 / cv::norm(outward);
    if (outward.y * side < 0) outward = -outward;
    DrawnTooth tooth{curve[tipIndex] + d.toothHeight * outward, curve[s0], curve[s1]};
    result.outline.push_back(tooth.sinusBefore);
    result.outline.push_back(tooth.tip);
    result.internal.push_back(tooth.sinusBefore);
    result.teeth.push_back(tooth);
  }
  result.outline.insert(result.outline.end(), curve.begin() + last, curve.end());
  result.internal.insert(result.internal.end(), curve.begin() + last, curve.end());
  return result;
}

// Where a side first reaches the petiole's half-width from the base, and the index of its first
// sample beyond that point.
struct SideCut {
  cv::Point2d at;
  std::size_t next;
};

SideCut cutSide(const Polygon& side, double halfWidth) {
  if (halfWidth <= 0.0) return {side.front(), 1};
  for (std::size_t i = 0; i + 1 < side.size(); ++i) {
    const double a = std::abs(side[i].y), b = std::abs(side[i + 1].y);
    if (a < halfWidth && b >= halfWidth) {
      SideCut cut{side[i] + (halfWidth - a) / (b - a) * (side[i + 1] - side[i]), i + 1};
      if (cut.at == side[i + 1]) ++cut.next;
      return cut;
    }
  }
  throw std::invalid_argument("the petiole is wider than the blade");
}

// The blade from the right end of the cut up the right side to the apex and down the left side.
Polygon closeBlade(const Polygon& right, const Polygon& left, double halfWidth) {
  const SideCut r = cutSide(right, halfWidth), l = cutSide(left, halfWidth);
  Polygon blade{r.at};
  blade.insert(blade.end(), right.begin() + static_cast<std::ptrdiff_t>(r.next), right.end());
  for (std::size_t k = left.size() - 1; k-- > l.next;) blade.push_back(left[k]);
  if (halfWidth > 0.0) blade.push_back(l.at);
  return blade;
}

}  // namespace

double DrawnTooth::width() const { return cv::norm(sinusAfter - sinusBefore); }

double DrawnTooth::height() const {
  const cv::Point2d base = sinusAfter - sinusBefore;
  const cv::Point2d toTip = tip - sinusBefore;
  return std::abs(base.x * toTip.y - base.y * toTip.x) / cv::norm(base);
}

Polygon LeafOutline::blade() const { return closeBlade(right, left, hasPetiole() ? 0.5 * petioleWidth : 0.0); }

Polygon LeafOutline::internalBlade() const {
  return closeBlade(rightInternal, leftInternal, hasPetiole() ? 0.5 * petioleWidth : 0.0);
}

Polygon LeafOutline::leaf() const {
  if (!hasPetiole()) return blade();
  const double w = 0.5 * petioleWidth;
  Polygon polygon{{-petioleLength, -w}, {-petioleLength, w}};
  const Polygon cut = blade();
  polygon.insert(polygon.end(), cut.begin(), cut.end());
  return polygon;
}

Polygon LeafOutline::petiole() const {
  if (!hasPetiole()) return {};
  const double w = 0.5 * petioleWidth;
  const auto ends = base();
  return {ends[0], {-petioleLength, w}, {-petioleLength, -w}, ends[1]};
}

std::array<cv::Point2d, 2> LeafOutline::base() const {
  const double w = hasPetiole() ? 0.5 * petioleWidth : 0.0;
  return {cutSide(right, w).at, cutSide(left, w).at};
}

LeafOutline leafOutline(const LeafShape& d) {
  if (!(d.bladeLength > 0.0) || !(d.bladeWidth > 0.0) || d.teethPerSide < 0 || d.toothHeight < 0.0 ||
      d.toothedFrom < 0.0 || d.toothedTo > 1.0 || d.toothedFrom >= d.toothedTo || d.tipAt <= 0.0 ||
      d.tipAt >= 1.0 || d.petioleLength < 0.0 || (d.petioleLength > 0.0 && !(d.petioleWidth > 0.0)))
    throw std::invalid_argument("leaf shape out of range");
  const SideWithTeeth right = addTeeth(d, bladeSide(d, 1), 1);
  const SideWithTeeth left = addTeeth(d, bladeSide(d, -1), -1);
  LeafOutline outline{right.outline, left.outline, right.internal, left.internal, right.teeth,
                      d.petioleLength, d.petioleWidth, 0.0};
  outline.teeth.insert(outline.teeth.end(), left.teeth.begin(), left.teeth.end());
  outline.insertion = outline.base()[0].x;
  if (!outline.teeth.empty() && outline.teeth.front().sinusBefore.x <= outline.insertion)
    throw std::invalid_argument("the teeth reach into the petiole");
  return outline;
}

}  // namespace leafmargin::leafgen
