#include "leafgen/leaf_generator.h"

#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace leafmargin::leafgen {

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

int firstToothX(const LeafSpec& spec) { return (spec.width - spec.teeth * spec.toothWidth) / 2; }

// Fraction of the tooth's base at which its tip stands.
double tipFraction(ToothShape shape) { return shape == ToothShape::Saw ? 0.8 : 0.5; }

void appendTooth(const LeafSpec& spec, int x0, std::vector<cv::Point>& out) {
  const int w = spec.toothWidth;
  const int h = spec.toothHeight;
  const int y = spec.marginY;
  if (spec.shape == ToothShape::Rounded) {
    for (int i = 0; i < w; ++i) {
      const double t = static_cast<double>(i) / w;
      out.emplace_back(x0 + i, y + static_cast<int>(std::lround(h * std::sin(M_PI * t))));
    }
    return;
  }
  out.emplace_back(x0, y);
  out.emplace_back(x0 + static_cast<int>(std::lround(w * tipFraction(spec.shape))), y + h);
}

}  // namespace

std::vector<cv::Point> marginPolyline(const LeafSpec& spec) {
  std::vector<cv::Point> margin;
  margin.emplace_back(0, spec.marginY - spec.shoulderRise);
  const int start = firstToothX(spec);
  for (int k = 0; k < spec.teeth; ++k) appendTooth(spec, start + k * spec.toothWidth, margin);
  margin.emplace_back(start + spec.teeth * spec.toothWidth, spec.marginY);
  margin.emplace_back(spec.width - 1, spec.marginY - spec.shoulderRise);
  return margin;
}

GeneratedLeaf generateLeaf(const LeafSpec& spec) {
  if (spec.width < 32 || spec.height < 32 || spec.marginY + spec.toothHeight >= spec.height - 12 ||
      spec.marginY - spec.shoulderRise <= 12 || firstToothX(spec) < 12)
    throw std::invalid_argument("the teeth do not fit in the picture");
  GeneratedLeaf leaf;
  leaf.margin = marginPolyline(spec);
  const int start = firstToothX(spec);
  for (int k = 0; k <= spec.teeth; ++k)
    leaf.sinuses.emplace_back(start + k * spec.toothWidth, spec.marginY);
  for (int k = 0; k < spec.teeth; ++k)
    leaf.tips.emplace_back(
        start + k * spec.toothWidth +
            static_cast<int>(std::lround(spec.toothWidth * tipFraction(spec.shape))),
        spec.marginY + spec.toothHeight);

  std::vector<cv::Point> polygon{{0, 0}, {spec.width - 1, 0}};
  polygon.insert(polygon.end(), leaf.margin.rbegin(), leaf.margin.rend());
  leaf.image = cv::Mat(spec.height, spec.width, CV_8UC3, spec.backgroundColour);
  cv::fillPoly(leaf.image, std::vector<std::vector<cv::Point>>{polygon}, spec.leafColour,
               cv::LINE_8);

  if (spec.noiseSigma > 0.0) {
    cv::Mat noise(leaf.image.size(), CV_16SC3);
    cv::RNG rng(spec.seed);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, spec.noiseSigma);
    cv::Mat wide;
    leaf.image.convertTo(wide, CV_16SC3);
    wide += noise;
    wide.convertTo(leaf.image, CV_8UC3);
  }
  if (spec.jpegQuality > 0) {
    std::vector<uchar> bytes;
    cv::imencode(".jpg", leaf.image, bytes, {cv::IMWRITE_JPEG_QUALITY, spec.jpegQuality});
    leaf.image = cv::imdecode(bytes, cv::IMREAD_COLOR);
  }
  if (spec.turn180) {
    cv::rotate(leaf.image, leaf.image, cv::ROTATE_180);
    const cv::Point corner(spec.width - 1, spec.height - 1);
    for (auto* list : {&leaf.margin, &leaf.tips, &leaf.sinuses})
      for (cv::Point& p : *list) p = corner - p;
  }
  return leaf;
}

}  // namespace leafmargin::leafgen
