#include "segmentation/polarity_check.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace leafmargin {

namespace {

// Paper is lighter than this (CIELAB L); each 20 further lightness units count as much as a
// leaf 10 chroma units more colourful than its ground.
constexpr double kPaperLightness = 60.0;
constexpr double kLightnessScale = 20.0;
constexpr double kChromaScale = 10.0;

// CIELAB lightness and chroma of 8-bit sRGB colours (D65), the values cv::cvtColor gives for
// COLOR_BGR2Lab on floats. Written out because OpenCV builds large tables on its first Lab
// conversion, which costs more than the whole check.
struct LabTables {
  float linear[256];
  LabTables() {
    for (int v = 0; v < 256; ++v) {
      const double c = v / 255.0;
      linear[v] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
  }
};

double labF(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }

// Lightness (0..100) and chroma of every pixel of an 8-bit BGR picture, as two CV_32F images.
void lightnessAndChroma(const cv::Mat& bgr, cv::Mat& lightness, cv::Mat& chroma) {
  static const LabTables tables;
  lightness.create(bgr.size(), CV_32F);
  chroma.create(bgr.size(), CV_32F);
  for (int y = 0; y < bgr.rows; ++y) {
    const cv::Vec3b* in = bgr.ptr<cv::Vec3b>(y);
    float* l = lightness.ptr<float>(y);
    float* c = chroma.ptr<float>(y);
    for (int x = 0; x < bgr.cols; ++x) {
      const double b = tables.linear[in[x][0]], g = tables.linear[in[x][1]],
                   r = tables.linear[in[x][2]];
      const double fx = labF((0.412453 * r + 0.357580 * g + 0.180423 * b) / 0.950456);
      const double yy = 0.212671 * r + 0.715160 * g + 0.072169 * b;
      const double fy = labF(yy);
      const double fz = labF((0.019334 * r + 0.119193 * g + 0.950227 * b) / 1.088754);
      l[x] = static_cast<float>(yy > 0.008856 ? 116.0 * fy - 16.0 : 903.3 * yy);
      c[x] = static_cast<float>(std::hypot(500.0 * (fx - fy), 200.0 * (fy - fz)));
    }
  }
}

cv::Mat reduced(const cv::Mat& picture) {
  const int side = std::max(picture.cols, picture.rows);
  if (side <= kPolarityCheckSide) return picture;
  const double factor = static_cast<double>(kPolarityCheckSide) / side;
  cv::Mat small;
  cv::resize(picture, small, cv::Size(), factor, factor, cv::INTER_AREA);
  return small;
}

}  // namespace

PolarityEvidence polarityEvidence(const cv::Mat& picture) {
  PolarityEvidence evidence;
  const cv::Mat small = reduced(picture);
  cv::Mat grey, bright;
  cv::cvtColor(small, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey, bright, 0.0, 255.0, cv::THRESH_OTSU);
  const cv::Mat dark = 255 - bright;
  if (cv::countNonZero(bright) == 0 || cv::countNonZero(dark) == 0) return evidence;

  cv::Mat lightness, chroma;
  lightnessAndChroma(small, lightness, chroma);
  evidence.brightLightness = cv::mean(lightness, bright)[0];
  evidence.darkLightness = cv::mean(lightness, dark)[0];
  evidence.brightChroma = cv::mean(chroma, bright)[0];
  evidence.darkChroma = cv::mean(chroma, dark)[0];
  evidence.score = (evidence.brightLightness - kPaperLightness) / kLightnessScale +
                   (evidence.darkChroma - evidence.brightChroma) / kChromaScale;
  return evidence;
}

bool brightClassLooksLikePaper(const cv::Mat& picture) {
  return polarityEvidence(picture).score > 0.0;
}

PolarityChoice choosePolarity(const cv::Mat& picture) {
  const double score = polarityEvidence(picture).score;
  return {score > 0.0 ? LeafPolarity::Dark : LeafPolarity::Bright,
          std::fabs(score) >= kClearPolarityScore};
}

}  // namespace leafmargin
