#include "windows/crop_transform.h"

#include <cmath>

namespace leafmargin {

namespace {
constexpr double kSnapDegrees = 15.0;  // chords this close to a quarter turn are not resampled
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

std::vector<cv::Point> turnedStretch(const std::vector<cv::Point>& stretch, const CropTransform& t) {
  std::vector<cv::Point> turned;
  turned.reserve(stretch.size());
  for (const cv::Point& p : stretch) {
    const cv::Point2d q = t.cropPoint(p);
    turned.emplace_back(static_cast<int>(std::lround(q.x)), static_cast<int>(std::lround(q.y)));
  }
  return turned;
}

}  // namespace leafmargin
