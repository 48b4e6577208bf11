// leaftable: runs the analysis in-process on generated leaves and prints a markdown table of
// what it finds against what was drawn: teeth drawn, tips found, teeth measured, and the mean
// tooth width, height and tip angle measured against the drawn ones.
// Usage: leaftable [--width N] [--height N] [--teeth N] [--tooth-width N] [--tooth-height N]
//                  [--noise SIGMA]   (the table has rows for saw, symmetric and rounded teeth,
//                                     without noise and with the given noise, 12 by default)
#include <cmath>
#include <cstdio>
#include <iostream>
#include <numeric>
#include <sstream>
#include <string>

#include "app/pipeline.h"
#include "leafgen/leaf_generator.h"

namespace {

using leafmargin::leafgen::LeafSpec;
using leafmargin::leafgen::ToothShape;

struct Found {
  int tips = 0;
  int sinuses = 0;
  leafmargin::MeasurementRecord record;
  bool complete = false;
};

Found analyse(const cv::Mat& picture) {
  std::ostringstream trace;
  const leafmargin::RunOutput out{trace, "", false};
  const leafmargin::PictureAnalysis analysis = leafmargin::analysePicture(picture, {}, out);
  Found found;
  found.tips = static_cast<int>(analysis.margin.dents.size());
  found.sinuses = static_cast<int>(analysis.margin.sinus.size());
  found.record = analysis.measured.record;
  found.complete = !analysis.failure;
  return found;
}

// The tip angle of the drawn tooth, in degrees (rounded teeth have none).
double drawnTipAngle(const LeafSpec& design) {
  const double w = design.toothWidth, h = design.toothHeight;
  const double tip = design.shape == ToothShape::Saw ? 0.8 : 0.5;
  return (std::atan2(tip * w, h) + std::atan2((1.0 - tip) * w, h)) * 180.0 / M_PI;
}

std::string mean(const std::vector<double>& values, double scale = 1.0) {
  double sum = 0.0;
  int n = 0;
  for (double v : values)
    if (std::isfinite(v)) sum += v, ++n;
  if (n == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", sum / n * scale);
  return text;
}

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  LeafSpec base;
  double noise = 12.0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const int value = std::atoi(argv[i + 1]);
    if (flag == "--width") base.width = value;
    else if (flag == "--height") base.height = value;
    else if (flag == "--teeth") base.teeth = value;
    else if (flag == "--tooth-width") base.toothWidth = value;
    else if (flag == "--tooth-height") base.toothHeight = value;
    else if (flag == "--noise") noise = std::atof(argv[i + 1]);
    else {
      std::cerr << "leaftable: unknown option " << flag << "\n";
      return 2;
    }
  }
  std::cout << "Leaves of " << base.width << " x " << base.height << " pixels, " << base.teeth
            << " teeth of " << base.toothWidth << " x " << base.toothHeight
            << " pixels (width x height); widths and heights in pixels, angles in degrees.\n\n";
  std::cout << "| teeth | noise | teeth drawn | tips found | teeth measured | width drawn | "
               "width measured | height drawn | height measured | tip angle drawn | "
               "tip angle measured | apical angle |\n";
  std::cout << "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
  for (ToothShape shape : {ToothShape::Saw, ToothShape::Symmetric, ToothShape::Rounded}) {
    for (double sigma : {0.0, noise}) {
      LeafSpec design = base;
      design.shape = shape;
      design.noiseSigma = sigma;
      const Found f = analyse(leafmargin::leafgen::generateLeaf(design).image);
      const auto& r = f.record;
      const double toDegrees = 180.0 / 3.14159265359;
      std::cout << "| " << leafmargin::leafgen::toothShapeName(shape) << " | " << sigma << " | "
                << design.teeth << " | " << f.tips << " | "
                << (f.complete ? std::to_string(r.teeth.size()) : "stopped") << " | "
                << design.toothWidth << " | " << mean(seriesOf(r.teeth, &leafmargin::ToothRecord::largeurDent)) << " | " << design.toothHeight
                << " | " << mean(seriesOf(r.teeth, &leafmargin::ToothRecord::hauteurDent)) << " | "
                << (shape == ToothShape::Rounded ? "-" : number(drawnTipAngle(design))) << " | "
                << mean(seriesOf(r.teeth, &leafmargin::ToothRecord::angleDent), toDegrees) << " | " << mean(seriesOf(r.teeth, &leafmargin::ToothRecord::angleApical), toDegrees)
                << " |\n";
    }
  }
  return 0;
}
