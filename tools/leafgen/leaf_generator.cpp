#include "leafgen/leaf_generator.h"

#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace leafmargin::leafgen {

const std::vector<std::string>& paletteNames() {
  static const std::vector<std::string> names = {"green-on-dark", "yellow-on-dark",
                                                 "green-on-white", "dark-on-white"};
  return names;
}

Palette namedPalette(const std::string& name) {
  const LeafSpec defaults;
  if (name == "green-on-dark") return {defaults.leafColour, defaults.backgroundColour};
  if (name == "yellow-on-dark") return {{60, 190, 225}, {30, 28, 26}};
  if (name == "green-on-white") return {{60, 125, 70}, {245, 247, 248}};
  if (name == "dark-on-white") return {{35, 45, 50}, {245, 247, 248}};
  throw std::invalid_argument("unknown palette: " + name);
}

ToothShape parseToothShape(const std::string& name) {
  if (name == "symmetric") return ToothShape::Symmetric;
  if (name == "saw") return ToothShape::Saw;
  if (name == "rounded") return ToothShape::Rounded;
  throw std::invalid_argument("unknown tooth shape: " + name);
}

const char* toothShapeName(ToothShape shape) {
  switch (shape) {
    case ToothShape::Symmetric: return "symmetric";
    case ToothShape::Saw: return "saw";
    case ToothShape::Rounded: return "rounded";
  }
  return "?";
}

namespace {

int firstToothX(const LeafSpec& design) { return (design.width - design.teeth * design.toothWidth) / 2; }

// Fraction of the tooth's base at which its tip stands.
double tipFraction(ToothShape shape) { return shape == ToothShape::Saw ? 0.8 : 0.5; }

void appendTooth(const LeafSpec& design, int x0, std::vector<cv::Point>& out) {
  const int w = design.toothWidth;
  const int h = design.toothHeight;
  const int y = design.marginY;
  if (design.shape == ToothShape::Rounded) {
    for (int i = 0; i < w; ++i) {
      const double t = static_cast<double>(i) / w;
      out.emplace_back(x0 + i, y + static_cast<int>(std::lround(h * std::sin(M_PI * t))));
    }
    return;
  }
  out.emplace_back(x0, y);
  out.emplace_back(x0 + static_cast<int>(std::lround(w * tipFraction(design.shape))), y + h);
}

}  // namespace

std::vector<cv::Point> marginPolyline(const LeafSpec& design) {
  std::vector<cv::Point> margin;
  margin.emplace_back(0, design.marginY - design.shoulderRise);
  const int start = firstToothX(design);
  for (int k = 0; k < design.teeth; ++k) appendTooth(design, start + k * design.toothWidth, margin);
  margin.emplace_back(start + design.teeth * design.toothWidth, design.marginY);
  margin.emplace_back(design.width - 1, design.marginY - design.shoulderRise);
  return margin;
}

GeneratedLeaf generateLeaf(const LeafSpec& design) {
  if (design.width < 32 || design.height < 32 || design.marginY + design.toothHeight >= design.height - 12 ||
      design.marginY - design.shoulderRise <= 12 || firstToothX(design) < 12)
    throw std::invalid_argument("the teeth do not fit in the picture");
  GeneratedLeaf leaf;
  leaf.margin = marginPolyline(design);
  const int start = firstToothX(design);
  for (int k = 0; k <= design.teeth; ++k)
    leaf.sinuses.emplace_back(start + k * design.toothWidth, design.marginY);
  for (int k = 0; k < design.teeth; ++k)
    leaf.tips.emplace_back(
        start + k * design.toothWidth +
            static_cast<int>(std::lround(design.toothWidth * tipFraction(design.shape))),
        design.marginY + design.toothHeight);

  std::vector<cv::Point> polygon{{0, 0}, {design.width - 1, 0}};
  polygon.insert(polygon.end(), leaf.margin.rbegin(), leaf.margin.rend());
  leaf.image = cv::Mat(design.height, design.width, CV_8UC3, design.backgroundColour);
  cv::fillPoly(leaf.image, std::vector<std::vector<cv::Point>>{polygon}, design.leafColour,
               cv::LINE_8);

  if (design.noiseSigma > 0.0) {
    cv::Mat noise(leaf.image.size(), CV_16SC3);
    cv::RNG rng(design.seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, design.noiseSigma);
    cv::Mat wide;
    leaf.image.convertTo(wide, CV_16SC3);
    wide += noise;
    wide.convertTo(leaf.image, CV_8UC3);
  }
  if (design.jpegQuality > 0) {
    std::vector<uchar> bytes;
    cv::imencode(".jpg", leaf.image, bytes, {cv::IMWRITE_JPEG_QUALITY, design.jpegQuality});
    leaf.image = cv::imdecode(bytes, cv::IMREAD_COLOR);
  }
  if (design.turn180) {
    cv::rotate(leaf.image, leaf.image, cv::ROTATE_180);
    const cv::Point corner(design.width - 1, design.height - 1);
    for (auto* list : {&leaf.margin, &leaf.tips, &leaf.sinuses})
      for (cv::Point& p : *list) p = corner - p;
  }
  return leaf;
}

}  // namespace leafmargin::leafgen
