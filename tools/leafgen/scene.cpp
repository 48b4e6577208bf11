#include "leafgen/scene.h"

#include <cmath>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace leafmargin::leafgen {

namespace {

constexpr double kMmPerInch = 25.4;

// Width of a line of text in Hershey simplex letters of the given height.
double textWidth(const std::string& text, double height) {
  int baseline = 0;
  const cv::Size size = cv::getTextSize(text, cv::FONT_HERSHEY_SIMPLEX, 1.0, 1, &baseline);
  return size.width * height / size.height;
}

}  // namespace

Ground darkGround() {
  Ground ground;
  ground.kind = GroundKind::Dark;
  ground.colour = {22, 21, 20};
  return ground;
}

Ground plainPaper(const std::string& tone) {
  Ground ground;
  if (tone == "white") ground.colour = {243, 245, 246};
  else if (tone == "grey") ground.colour = {196, 198, 198};
  else if (tone == "tinted") ground.colour = {205, 232, 240};  // cream
  else throw std::invalid_argument("unknown paper: " + tone);
  return ground;
}

Ground graphPaper(const std::string& ink) {
  Ground ground;
  ground.kind = GroundKind::GraphPaper;
  ground.colour = {240, 243, 246};
  if (ink == "pink") ground.ink = {120, 130, 238};
  else if (ink == "orange") ground.ink = {70, 140, 240};
  else if (ink == "green") ground.ink = {120, 175, 90};
  else if (ink == "blue") ground.ink = {215, 150, 90};
  else if (ink == "grey") ground.ink = {150, 150, 150};
  else throw std::invalid_argument("unknown graph paper ink: " + ink);
  return ground;
}

cv::Size2d objectSize(const SceneObject& object) {
  if (const auto* ruler = std::get_if<Ruler>(&object.item)) return {ruler->length, ruler->width};
  if (const auto* label = std::get_if<Label>(&object.item)) return label->size;
  if (const auto* chart = std::get_if<ColourChart>(&object.item))
    return {chart->patches * (chart->patch + 1.0) + 1.0, chart->patch + 2.0};
  const Print& print = std::get<Print>(object.item);
  const double width = textWidth(print.text, print.height);
  if (print.logo) {
    const double side = std::max(1.5 * width, 3.0 * print.height);
    return {side, side};
  }
  return {width, print.height};
}

const char* objectKind(const SceneObject& object) {
  if (std::holds_alternative<Ruler>(object.item)) return "ruler";
  if (std::holds_alternative<Label>(object.item)) return "label";
  if (std::holds_alternative<ColourChart>(object.item)) return "colour-chart";
  return std::get<Print>(object.item).logo ? "logo" : "print";
}

double pixelsPerMm(const Scene& scene) { return scene.dpi / kMmPerInch; }

cv::Size pictureSize(const Scene& scene) {
  const double k = pixelsPerMm(scene);
  return {static_cast<int>(std::lround(scene.page.width * k)), static_cast<int>(std::lround(scene.page.height * k))};
}

cv::Rect2d pictureOnPage(const Scene& scene) {
  const cv::Size size = pictureSize(scene);
  return {0.0, 0.0, size.width * kMmPerInch / scene.dpi, size.height * kMmPerInch / scene.dpi};
}

cv::Point2d toPicture(const Scene& scene, cv::Point2d pageMm) {
  return pageMm * pixelsPerMm(scene) - cv::Point2d(0.5, 0.5);
}

cv::Point2d onPage(const SceneLeaf& leaf, cv::Point2d p) {
  const double theta = leaf.turnDegrees * M_PI / 180.0;
  const cv::Point2d along(-std::sin(theta), -std::cos(theta)), across(std::cos(theta), -std::sin(theta));
  return leaf.centre + along * (p.x - 0.5 * leaf.shape.bladeLength) + across * p.y;
}

Polygon onPage(const SceneLeaf& leaf, const Polygon& inLeaf) {
  Polygon out;
  out.reserve(inLeaf.size());
  for (const cv::Point2d& p : inLeaf) out.push_back(onPage(leaf, p));
  return out;
}

Polygon objectFootprint(const SceneObject& object) {
  const cv::Size2d size = objectSize(object);
  const double theta = object.turnDegrees * M_PI / 180.0;
  // Counter-clockwise on the page, whose y axis points down.
  const cv::Point2d u(std::cos(theta), -std::sin(theta)), v(std::sin(theta), std::cos(theta));
  Polygon corners;
  for (const cv::Point2d c : {cv::Point2d(-1, -1), cv::Point2d(1, -1), cv::Point2d(1, 1), cv::Point2d(-1, 1)})
    corners.push_back(object.centre + 0.5 * c.x * size.width * u + 0.5 * c.y * size.height * v);
  return corners;
}

}  // namespace leafmargin::leafgen
