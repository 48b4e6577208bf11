#include "margin/vertical_offset.h"

#include <algorithm>
#include <cstdint>

#include "geometry/line.h"
#include "geometry/numeric.h"

namespace leafmargin {

ReferenceCurve::ReferenceCurve(const std::vector<cv::Point>& curve) : curve_(curve) {
  const int m = static_cast<int>(curve.size());
  for (int t = 1; t <= m - 2; ++t)
    prefixMaxX_.push_back(t == 1 ? curve[t].x : std::max(prefixMaxX_.back(), curve[t].x));
  if (prefixMaxX_.empty()) return;
  // A table by column when the curve's columns are not much more numerous than its points.
  const std::int64_t columns = static_cast<std::int64_t>(prefixMaxX_.back()) - prefixMaxX_.front();
  if (columns > 4 * static_cast<std::int64_t>(m) + 4096) return;
  size_t k = 0;
  for (int x = prefixMaxX_.front(); x < prefixMaxX_.back(); ++x) {
    while (prefixMaxX_[k] <= x) ++k;
    firstAboveByColumn_.push_back(static_cast<int>(k));
  }
}

int ReferenceCurve::segmentEndAt(int x) const {
  // The first C[t].x > x among C[1..m-2] is where the running maximum first exceeds x.
  if (prefixMaxX_.empty() || x >= prefixMaxX_.back()) return static_cast<int>(curve_.size()) - 1;
  if (x < prefixMaxX_.front()) return 1;
  if (!firstAboveByColumn_.empty()) return firstAboveByColumn_[x - prefixMaxX_.front()] + 1;
  const auto found = std::upper_bound(prefixMaxX_.begin(), prefixMaxX_.end(), x);
  return static_cast<int>(found - prefixMaxX_.begin()) + 1;
}

int ReferenceCurve::verticalOffsetToCurve(cv::Point p) const {
  const int t = segmentEndAt(p.x);
  const Line line(curve_[t - 1], curve_[t]);
  return wrapSub(truncToInt(lineYAtX(line, static_cast<double>(p.x))), p.y);
}

int ReferenceCurve::distanceToCurve(cv::Point p) const {
  const int t = segmentEndAt(p.x);
  return truncToInt(distancePointLine(Line(curve_[t - 1], curve_[t]), p));
}

std::vector<bool> belowCurveFlags(const std::vector<cv::Point>& outline,
                                  const std::vector<cv::Point>& curve) {
  std::vector<bool> below(outline.size(), false);
  if (curve.size() < 2) return below;
  const ReferenceCurve reference(curve);
  for (size_t i = 0; i < outline.size(); ++i) below[i] = reference.verticalOffsetToCurve(outline[i]) < 0;
  return below;
}

}  // namespace leafmargin
