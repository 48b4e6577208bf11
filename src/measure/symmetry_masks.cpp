#include "measure/symmetry_masks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <opencv2/imgproc.hpp>

namespace leafmargin {
namespace {

// Fixed-point layout of the bilinear map cv::warpAffine hands to cv::remap: source
// coordinates carry AB_BITS fraction bits while they are built, INTER_BITS in the map.
constexpr int kAbBits = 10;
constexpr int kAbScale = 1 << kAbBits;
constexpr int kInterBits = 5;
constexpr int kInterTabSize = 1 << kInterBits;
constexpr int kRoundDelta = kAbScale / kInterTabSize / 2;

// Widening of a filled window beyond the polygon's bounding box, and of a turned window
// beyond the exact image of its source: slack for edge rounding and fixed-point error.
constexpr int kFillMargin = 2;
constexpr int kTurnMargin = 2;

// The window rows [y0, y1] and columns [x0, x1] (inclusive) clipped to the picture; an
// empty rectangle when nothing is left.
cv::Rect clippedWindow(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                       cv::Size picture) {
  x0 = std::max<std::int64_t>(x0, 0);
  y0 = std::max<std::int64_t>(y0, 0);
  x1 = std::min<std::int64_t>(x1, picture.width - 1);
  y1 = std::min<std::int64_t>(y1, picture.height - 1);
  if (x0 > x1 || y0 > y1) return {};
  return cv::Rect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0 + 1),
                  static_cast<int>(y1 - y0 + 1));
}

// The inverse of the forward matrix, computed as cv::warpAffine computes it.
void invertAffine(const double forward[6], double inverse[6]) {
  double m[6];
  std::copy(forward, forward + 6, m);
  double d = m[0] * m[4] - m[1] * m[3];
  d = d != 0 ? 1. / d : 0;
  const double a11 = m[4] * d, a22 = m[0] * d;
  m[0] = a11;
  m[1] *= -d;
  m[3] *= -d;
  m[4] = a22;
  const double b1 = -m[0] * m[2] - m[1] * m[5];
  const double b2 = -m[3] * m[2] - m[4] * m[5];
  m[2] = b1;
  m[5] = b2;
  std::copy(m, m + 6, inverse);
}

// The destination pixels that can read a pixel of the source window: the forward image of
// the window grown by the bilinear footprint, widened by a safety margin, clipped.
cv::Rect turnedWindow(const double forward[6], const cv::Rect& source, cv::Size picture) {
  double xMin = HUGE_VAL, yMin = HUGE_VAL, xMax = -HUGE_VAL, yMax = -HUGE_VAL;
  const double xs[2] = {source.x - 1.0, static_cast<double>(source.x + source.width)};
  const double ys[2] = {source.y - 1.0, static_cast<double>(source.y + source.height)};
  for (double x : xs) {
    for (double y : ys) {
      const double u = forward[0] * x + forward[1] * y + forward[2];
      const double v = forward[3] * x + forward[4] * y + forward[5];
      xMin = std::min(xMin, u);
      xMax = std::max(xMax, u);
      yMin = std::min(yMin, v);
      yMax = std::max(yMax, v);
    }
  }
  // Far outside the picture (or not a number): nothing to keep.
  const double limit = 1e9;
  if (!(xMin < limit && yMin < limit && xMax > -limit && yMax > -limit)) return {};
  xMin = std::max(xMin, -limit);
  yMin = std::max(yMin, -limit);
  xMax = std::min(xMax, limit);
  yMax = std::min(yMax, limit);
  return clippedWindow(static_cast<std::int64_t>(std::floor(xMin)) - kTurnMargin,
                       static_cast<std::int64_t>(std::floor(yMin)) - kTurnMargin,
                       static_cast<std::int64_t>(std::ceil(xMax)) + kTurnMargin,
                       static_cast<std::int64_t>(std::ceil(yMax)) + kTurnMargin, picture);
}

// The fixed-point source map of the destination pixels in `target` (picture positions),
// exactly as cv::warpAffine builds it for the whole picture, with the integer parts made
// relative to the source window.
void buildTurnMap(const double inverse[6], const cv::Rect& target, cv::Point sourceOrigin,
                  cv::Mat& xy, cv::Mat& alpha) {
  xy.create(target.size(), CV_16SC2);
  alpha.create(target.size(), CV_16UC1);
  std::vector<int> aDelta(target.width), bDelta(target.width);
  for (int i = 0; i < target.width; ++i) {
    const int x = target.x + i;
    aDelta[i] = cv::saturate_cast<int>(inverse[0] * x * kAbScale);
    bDelta[i] = cv::saturate_cast<int>(inverse[3] * x * kAbScale);
  }
  for (int j = 0; j < target.height; ++j) {
    const int y = target.y + j;
    const int x0 = cv::saturate_cast<int>((inverse[1] * y + inverse[2]) * kAbScale) + kRoundDelta;
    const int y0 = cv::saturate_cast<int>((inverse[4] * y + inverse[5]) * kAbScale) + kRoundDelta;
    short* xyRow = xy.ptr<short>(j);
    ushort* alphaRow = alpha.ptr<ushort>(j);
    for (int i = 0; i < target.width; ++i) {
      const int sx = (x0 + aDelta[i]) >> (kAbBits - kInterBits);
      const int sy = (y0 + bDelta[i]) >> (kAbBits - kInterBits);
      const int column = cv::saturate_cast<short>(sx >> kInterBits);
      const int row = cv::saturate_cast<short>(sy >> kInterBits);
      xyRow[2 * i] = cv::saturate_cast<short>(column - sourceOrigin.x);
      xyRow[2 * i + 1] = cv::saturate_cast<short>(row - sourceOrigin.y);
      alphaRow[i] = static_cast<ushort>((sy & (kInterTabSize - 1)) * kInterTabSize +
                                        (sx & (kInterTabSize - 1)));
    }
  }
}

}  // namespace

uchar WindowedMask::at(int x, int y) const {
  const int col = x - origin.x, row = y - origin.y;
  if (pixels.empty() || col < 0 || row < 0 || col >= pixels.cols || row >= pixels.rows) return 0;
  return pixels.at<uchar>(row, col);
}

cv::Mat toFullSize(const WindowedMask& mask, cv::Size picture) {
  cv::Mat full = cv::Mat::zeros(picture, CV_8UC1);
  if (mask.empty()) return full;
  const cv::Rect window(mask.origin, mask.pixels.size());
  const cv::Rect inside = window & cv::Rect(cv::Point(0, 0), picture);
  if (inside.empty()) return full;
  mask.pixels(cv::Rect(inside.tl() - mask.origin, inside.size())).copyTo(full(inside));
  return full;
}

WindowedMask fillPolygon(const std::vector<cv::Point>& polygon, cv::Size picture) {
  if (polygon.empty() || picture.width <= 0 || picture.height <= 0) return {};
  std::int64_t xMin = polygon[0].x, xMax = xMin, yMin = polygon[0].y, yMax = yMin;
  for (const cv::Point& p : polygon) {
    xMin = std::min<std::int64_t>(xMin, p.x);
    xMax = std::max<std::int64_t>(xMax, p.x);
    yMin = std::min<std::int64_t>(yMin, p.y);
    yMax = std::max<std::int64_t>(yMax, p.y);
  }
  // Edge clipping and span filling are invariant under an integer shift as long as the
  // window meets the picture's own borders wherever the polygon crosses them, which the
  // clipped, widened bounding box does.
  const cv::Rect window = clippedWindow(xMin - kFillMargin, yMin - kFillMargin,
                                        xMax + kFillMargin, yMax + kFillMargin, picture);
  if (window.empty()) return {};
  WindowedMask mask{cv::Mat::zeros(window.size(), CV_8UC1), window.tl()};
  const std::vector<std::vector<cv::Point>> polygons{polygon};
  cv::fillPoly(mask.pixels, polygons, cv::Scalar(255, 255, 255, 0), cv::LINE_8, 0, -window.tl());
  return mask;
}

WindowedMask rotateMask(const WindowedMask& mask, cv::Point centre, double angleDegrees,
                        cv::Size picture) {
  if (mask.empty()) return {};
  const cv::Mat rotation =
      cv::getRotationMatrix2D(cv::Point2f(static_cast<float>(centre.x), static_cast<float>(centre.y)),
                              angleDegrees, 1.0);
  double forward[6], inverse[6];
  for (int k = 0; k < 6; ++k) forward[k] = rotation.at<double>(k / 3, k % 3);
  invertAffine(forward, inverse);

  const cv::Rect target = turnedWindow(forward, cv::Rect(mask.origin, mask.pixels.size()), picture);
  if (target.empty()) return {};
  cv::Mat xy, alpha;
  buildTurnMap(inverse, target, mask.origin, xy, alpha);
  WindowedMask turned{cv::Mat(), target.tl()};
  cv::remap(mask.pixels, turned.pixels, xy, alpha, cv::INTER_LINEAR, cv::BORDER_CONSTANT,
            cv::Scalar(0));
  return turned;
}

WindowedMask mirrorMask(const WindowedMask& mask, cv::Size picture) {
  if (mask.empty()) return {};
  WindowedMask mirrored{cv::Mat(), cv::Point(picture.width - (mask.origin.x + mask.pixels.cols),
                                              mask.origin.y)};
  cv::flip(mask.pixels, mirrored.pixels, 1);
  return mirrored;
}

}  // namespace leafmargin
