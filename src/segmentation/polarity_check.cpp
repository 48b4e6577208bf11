#include "segmentation/polarity_check.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace leafmargin {

namespace {

// Paper is lighter than this (CIELAB L); each 20 further lightness units count as much as a
// leaf 10 chroma units more colourful than its ground.
constexpr double kPaperLightness = 60.0;
constexpr double kLightnessScale = 20.0;
constexpr double kChromaScale = 10.0;

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

  cv::Mat lab;
  small.convertTo(lab, CV_32F, 1.0 / 255.0);
  cv::cvtColor(lab, lab, cv::COLOR_BGR2Lab);  // L 0..100, a and b about -128..127
  std::vector<cv::Mat> channels;
  cv::split(lab, channels);
  cv::Mat chroma;
  cv::magnitude(channels[1], channels[2], chroma);

  evidence.brightLightness = cv::mean(channels[0], bright)[0];
  evidence.darkLightness = cv::mean(channels[0], dark)[0];
  evidence.brightChroma = cv::mean(chroma, bright)[0];
  evidence.darkChroma = cv::mean(chroma, dark)[0];
  evidence.score = (evidence.brightLightness - kPaperLightness) / kLightnessScale +
                   (evidence.darkChroma - evidence.brightChroma) / kChromaScale;
  return evidence;
}

bool brightClassLooksLikePaper(const cv::Mat& picture) {
  return polarityEvidence(picture).score > 0.0;
}

}  // namespace leafmargin
