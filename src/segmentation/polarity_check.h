// Whether the default polarity (the leaf is the brighter Otsu class) looks wrong for a
// picture: the bright class looks like a paper ground (white, grey or tinted paper, printed
// grid lines or not) around a darker leaf. The borders cannot tell, since a dark leaf at the top
// of white paper and a bright leaf at the bottom of a dark ground have the same borders; the
// colours of the two classes can: paper is light and nearly neutral and the leaf on it is more
// colourful, while a dark ground is darker and more neutral than the lit leaf on it. The check
// works on a copy of at most kPolarityCheckSide pixels a side, so it costs little next to
// GrabCut.
#pragma once

#include <opencv2/core.hpp>

#include "segmentation/segment_leaf.h"

namespace leafmargin {

constexpr int kPolarityCheckSide = 256;
// Scores nearer zero than this are no clear evidence either way (real scans score 2.4 and more
// on both sides).
constexpr double kClearPolarityScore = 1.0;

// Mean CIELAB lightness (0..100) and mean chroma of the two Otsu classes of the picture, and
// the score drawn from them: positive when the bright class looks like paper.
struct PolarityEvidence {
  double brightLightness = 0.0;
  double brightChroma = 0.0;
  double darkLightness = 0.0;
  double darkChroma = 0.0;
  double score = 0.0;
};

// picture: 8-bit BGR. A picture with a single grey level has score 0.
PolarityEvidence polarityEvidence(const cv::Mat& picture);

// True when the bright class looks like paper, i.e. the leaf is more likely the dark class.
bool brightClassLooksLikePaper(const cv::Mat& picture);

// The leaf's class the evidence points to (dark for a positive score), and whether the score is
// clear of zero by kClearPolarityScore.
struct PolarityChoice {
  LeafPolarity leaf = LeafPolarity::Bright;
  bool clear = false;
};
PolarityChoice choosePolarity(const cv::Mat& picture);

}  // namespace leafmargin
