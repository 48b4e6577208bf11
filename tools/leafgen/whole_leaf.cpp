#include "leafgen/whole_leaf.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace leafmargin::leafgen {

namespace {

constexpr int kSubpixelBits = 4;  // polygons are filled with 1/16 pixel precision

LeafShape shapeOf(const WholeLeafSpec& d) {
  LeafShape shape;
  shape.bladeLength = d.bladeLength;
  shape.bladeWidth = d.bladeWidth;
  shape.ovate = d.ovate;
  shape.apexSharpness = d.apexSharpness;
  shape.teethPerSide = d.teethPerSide;
  shape.toothHeight = d.toothHeight;
  shape.toothedFrom = d.toothedFrom;
  shape.toothedTo = d.toothedTo;
  shape.tipAt = d.tipAt;
  shape.petioleLength = d.petioleLength;
  shape.petioleWidth = d.petioleWidth;
  return shape;
}

}  // namespace

GeneratedWholeLeaf generateWholeLeaf(const WholeLeafSpec& d) {
  if (d.bladeLength < 100 || d.bladeWidth < 50 || d.teethPerSide < 0 || d.toothedFrom < 0.0 ||
      d.toothedTo > 1.0 || d.toothedFrom >= d.toothedTo || d.tipAt <= 0.0 || d.tipAt >= 1.0)
    throw std::invalid_argument("whole leaf design out of range");
  const LeafOutline outline = leafOutline(shapeOf(d));
  // The whole blade, and the petiole as a stalk reaching into it.
  std::vector<cv::Point2d> blade = outline.right;
  blade.insert(blade.end(), outline.left.rbegin(), outline.left.rend());
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
  for (const DrawnTooth& t : outline.teeth)
    leaf.teeth.push_back({toPicture(t.tip), toPicture(t.sinusBefore), toPicture(t.sinusAfter)});
  leaf.apex = toPicture({static_cast<double>(d.bladeLength), 0.0});
  leaf.base = toPicture({0.0, 0.0});
  return leaf;
}

}  // namespace leafmargin::leafgen
