#include "margin/vertical_offset.h"

#include <algorithm>

#include "geometry/line.h"
#include "geometry/numeric.h"

namespace leafmargin {

ReferenceCurve::ReferenceCurve(const std::vector<cv::Point>& curve) : curve_(curve) {
  const int m = static_cast<int>(curve.size());
  int runningMax = 0;
  for (int t = 1; t <= m - 2; ++t) {
    runningMax = t == 1 ? curve[t].x : std::max(runningMax, curve[t].x);
    prefixMaxX_.push_back(runningMax);
  }
}

int ReferenceCurve::segmentEndAt(int x) const {
  // The first C[t].x > x among C[1..m-2] is where the running maximum first exceeds x.
  const auto found = std::upper_bound(prefixMaxX_.begin(), prefixMaxX_.end(), x);
  if (found == prefixMaxX_.end()) return static_cast<int>(curve_.size()) - 1;
  return static_cast<int>(found - prefixMaxX_.begin()) + 1;
}

int ReferenceCurve::verticalOffset(cv::Point p) const {
  const int t = segmentEndAt(p.x);
  const Line line(curve_[t - 1], curve_[t]);
  return wrapSub(truncToInt(lineYAtX(line, static_cast<double>(p.x))), p.y);
}

int ReferenceCurve::distance(cv::Point p) const {
  const int t = segmentEndAt(p.x);
  return truncToInt(distancePointLine(Line(curve_[t - 1], curve_[t]), p));
}

int verticalOffsetToCurve(cv::Point p, const std::vector<cv::Point>& curve) {
  return ReferenceCurve(curve).verticalOffset(p);
}

int distanceToCurve(cv::Point p, const std::vector<cv::Point>& curve) {
  return ReferenceCurve(curve).distance(p);
}

std::vector<bool> belowCurveFlags(const std::vector<cv::Point>& outline,
                                  const std::vector<cv::Point>& curve) {
  std::vector<bool> below(outline.size(), false);
  if (curve.size() < 2) return below;
  const ReferenceCurve reference(curve);
  for (size_t i = 0; i < outline.size(); ++i) below[i] = reference.verticalOffset(outline[i]) < 0;
  return below;
}

}  // namespace leafmargin
