#include "wholeleaf/window_crop.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "wholeleaf/outline_windows.h"

namespace leafmargin {

namespace {

constexpr double kMaxTurnDegrees = 100.0;  // the course may leave the chord's direction by this much
constexpr int kCourseHalfSpan = 250;      // pixels of outline on each side that set the course
constexpr int kMinBandRows = 60;          // leaf rows above the stretch's highest point
constexpr double kMinBandArea = 120000.0; // ... and at least this many pixels in them (the
                                          // analysis takes a leaf of more than 100000)
constexpr int kGroundRows = 40;           // ground rows below the stretch's lowest point
constexpr double kMinChord = 100.0;
constexpr double kSnapDegrees = 15.0;     // chords this close to a quarter turn are not resampled

int bandRowsFor(double chord) {
  return std::max(kMinBandRows, static_cast<int>(std::ceil(kMinBandArea / std::max(chord, 1.0))));
}

}  // namespace

CropTransform cropTransformFor(const std::vector<cv::Point>& stretch, int bandRows) {
  const cv::Point2d a = stretch.front();
  const cv::Point2d chord = cv::Point2d(stretch.back()) - a;
  const double length = std::max(cv::norm(chord), 1e-12);
  double c = chord.x / length, s = chord.y / length;
  // A chord close to a quarter turn is taken as lying on it, so that the crop copies the leaf's
  // pixels as they are, without resampling them.
  const double quarter = std::round(std::atan2(s, c) / (M_PI / 2));
  if (std::abs(std::atan2(s, c) - quarter * M_PI / 2) <= kSnapDegrees * M_PI / 180) {
    c = std::round(std::cos(quarter * M_PI / 2));
    s = std::round(std::sin(quarter * M_PI / 2));
  }
  // Turn by minus the chord's angle about a: q = R (p - a).
  double top = 1e300;
  for (const cv::Point& p : stretch) top = std::min(top, -s * (p.x - a.x) + c * (p.y - a.y));
  const cv::Point2d shift(0.0, bandRows - std::floor(top));
  CropTransform t;
  t.toCrop = cv::Matx23d(c, s, shift.x - (c * a.x + s * a.y),
                         -s, c, shift.y - (-s * a.x + c * a.y));
  // p = R^T (q - shift) + a
  t.toWorking = cv::Matx23d(c, -s, a.x - (c * shift.x - s * shift.y),
                            s, c, a.y - (s * shift.x + c * shift.y));
  return t;
}

WindowCrop cutWindowCrop(const WorkingLeaf& leaf, const std::vector<cv::Point>& stretch) {
  WindowCrop crop;
  const double chord = stretch.empty() ? 0.0 : cv::norm(stretch.back() - stretch.front());
  if (chord < kMinChord) {
    crop.rejection = "stretch too short";
    return crop;
  }
  if (largestTurnFromChord(stretch, kCourseHalfSpan) > kMaxTurnDegrees) {
    crop.rejection = "outline turns back";
    return crop;
  }
  const int bandRows = bandRowsFor(chord);
  crop.transform = cropTransformFor(stretch, bandRows);

  std::vector<cv::Point> polygon;
  double bottom = 0.0;
  for (const cv::Point& p : stretch) {
    const cv::Point2d q = crop.transform.cropPoint(p);
    polygon.emplace_back(static_cast<int>(std::lround(q.x)), static_cast<int>(std::lround(q.y)));
    bottom = std::max(bottom, q.y);
  }
  const cv::Size size(std::max(2, polygon.back().x + 1),
                      static_cast<int>(std::ceil(bottom)) + kGroundRows + 1);
  polygon.emplace_back(size.width - 1, 0);
  polygon.emplace_back(0, 0);
  cv::Mat above = cv::Mat::zeros(size, CV_8UC1);
  cv::fillPoly(above, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255));
  // The leaf's own pixels near the stretch keep their place to the pixel; farther inside, what
  // is not this leaf (beyond a narrow apex, another part of the outline) is filled with the
  // leaf's mean colour, so the crop's outline is this stretch and nothing else.
  cv::Mat nearAbove, deepAbove;
  cv::dilate(above, nearAbove, cv::getStructuringElement(cv::MORPH_ELLIPSE, {5, 5}));
  cv::erode(above, deepAbove, cv::getStructuringElement(cv::MORPH_ELLIPSE, {5, 5}));
  cv::Mat leafMask;
  cv::warpAffine(leaf.mask, leafMask, cv::Mat(crop.transform.toCrop), size, cv::INTER_LINEAR,
                 cv::BORDER_CONSTANT, cv::Scalar(0));
  leafMask = (leafMask > 127) & nearAbove;
  cv::warpAffine(leaf.picture, crop.picture, cv::Mat(crop.transform.toCrop), size,
                 cv::INTER_LINEAR, cv::BORDER_CONSTANT, kCropGround);
  const cv::Scalar leafColour = cv::mean(crop.picture, leafMask);
  crop.picture.setTo(leafColour, deepAbove & ~leafMask);
  // The ground meets the leaf over one pixel, as on a scan: each pixel is the leaf's and the
  // ground's colour mixed as the leaf covers its 3 x 3 neighbourhood.
  cv::Mat cover;
  cv::Mat(leafMask | deepAbove).convertTo(cover, CV_32F, 1.0 / 255.0);
  cv::blur(cover, cover, {3, 3});
  cv::Mat leafPart, groundPart(crop.picture.size(), CV_32FC3, kCropGround), weights;
  crop.picture.convertTo(leafPart, CV_32FC3);
  cv::merge(std::vector<cv::Mat>{cover, cover, cover}, weights);
  cv::Mat mixed = leafPart.mul(weights) + groundPart.mul(cv::Scalar::all(1.0) - weights);
  mixed.convertTo(crop.picture, CV_8UC3);
  return crop;
}

}  // namespace leafmargin
