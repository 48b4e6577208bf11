#include "windows/leaf_ends.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leaves/region_masks.h"

namespace leafmargin {

namespace {

constexpr double kStalkLengthInWidths = 1.0;   // a petiole is at least as long as the widest stalk
constexpr double kStalkElongation = 4.0;       // and four times longer than its mean width
constexpr double kEndReachOfLength = 0.05;     // reach of the end-angle test, share of the outline
constexpr double kNotchNearEnd = 0.25;         // a base notch lies within this share of the axis
constexpr double kNotchOffAxis = 0.15;         // ... this close to the axis
constexpr double kNotchDepth = 0.03;           // ... and is at least this deep

// The petiole's pixels, or an empty Mat: the longest thin piece that the opening cuts off.
cv::Mat findPetiole(const cv::Mat& mask, int stalkWidth) {
  const cv::Mat residue = mask & ~openByDisc(mask, stalkWidth / 2.0 + 0.5);
  cv::Mat labels, stats, centroids;
  const int count = cv::connectedComponentsWithStats(residue, labels, stats, centroids, 8, CV_32S);
  int best = 0;
  double bestLength = 0.0;
  for (int label = 1; label < count; ++label) {
    std::vector<cv::Point> pixels;
    cv::findNonZero(labels == label, pixels);
    const cv::RotatedRect box = cv::minAreaRect(pixels);
    const double length = std::max(box.size.width, box.size.height);
    const double meanWidth = stats.at<int>(label, cv::CC_STAT_AREA) / std::max(length, 1.0);
    if (length >= kStalkLengthInWidths * stalkWidth && length >= kStalkElongation * meanWidth &&
        length > bestLength) {
      best = label;
      bestLength = length;
    }
  }
  if (best == 0) return cv::Mat();
  return labels == best;
}

// The longest run of consecutive outline points (round the loop) for which inside is true:
// its first and last index, or {-1, -1} when there is none.
std::pair<int, int> longestRun(const std::vector<bool>& inside) {
  const int n = static_cast<int>(inside.size());
  if (std::all_of(inside.begin(), inside.end(), [](bool b) { return b; })) return {0, n - 1};
  int start = 0;
  while (inside[start]) ++start;  // begin the scan just after a point outside
  std::pair<int, int> best{-1, -1};
  int bestLength = 0, runLength = 0;
  for (int k = 1; k <= n; ++k) {
    const int i = (start + k) % n;
    if (inside[i]) {
      ++runLength;
      if (runLength > bestLength) {
        bestLength = runLength;
        best = {(i - runLength + 1 + n) % n, i};
      }
    } else {
      runLength = 0;
    }
  }
  return best;
}

int farthestFrom(const ClosedOutline& outline, cv::Point2d from) {
  int best = 0;
  double bestDistance = -1.0;
  for (int i = 0; i < outline.size(); ++i) {
    const double d = cv::norm(cv::Point2d(outline.points[i]) - from);
    if (d > bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

// The deepest notch of the outline near the base end of the long axis, or -1.
int baseNotch(const ClosedOutline& outline, cv::Point2d centre, cv::Point2d axis, int baseEnd) {
  std::vector<int> hull;
  cv::convexHull(outline.points, hull, false, false);
  if (hull.size() < 3) return -1;
  std::vector<cv::Vec4i> defects;
  try {
    cv::convexityDefects(outline.points, hull, defects);
  } catch (const cv::Exception&) {
    return -1;  // a hull that is not monotonous along the outline (self-touching outline)
  }
  double lo = 1e300, hi = -1e300;
  for (const cv::Point& p : outline.points) {
    const double t = (cv::Point2d(p) - centre).dot(axis);
    lo = std::min(lo, t);
    hi = std::max(hi, t);
  }
  const double axisLength = hi - lo;
  const double endAt = (cv::Point2d(outline.points[baseEnd]) - centre).dot(axis);
  const cv::Point2d across(-axis.y, axis.x);
  int best = -1;
  double bestDepth = kNotchDepth * axisLength;
  for (const cv::Vec4i& d : defects) {
    const cv::Point2d p = cv::Point2d(outline.points[d[2]]) - centre;
    const double depth = d[3] / 256.0;
    if (std::abs(p.dot(axis) - endAt) < kNotchNearEnd * axisLength &&
        std::abs(p.dot(across)) < kNotchOffAxis * axisLength && depth > bestDepth) {
      best = d[2];
      bestDepth = depth;
    }
  }
  return best;
}

}  // namespace

double angleAtPoint(const ClosedOutline& outline, int i, double reach) {
  const cv::Point2d p = outline.points[i];
  const cv::Point2d before = cv::Point2d(outline.points[outline.advance(i, outline.length - reach)]) - p;
  const cv::Point2d after = cv::Point2d(outline.points[outline.advance(i, reach)]) - p;
  const double normProduct = cv::norm(before) * cv::norm(after);
  if (normProduct == 0.0) return 180.0;
  return std::acos(std::clamp(before.dot(after) / normProduct, -1.0, 1.0)) * 180.0 / M_PI;
}

LeafEnds findLeafEnds(const cv::Mat& mask, const ClosedOutline& outline, int stalkWidth) {
  LeafEnds ends;
  if (outline.size() < 3) return ends;
  const cv::Mat petiole = findPetiole(mask, stalkWidth);
  if (!petiole.empty()) {
    cv::Mat near;
    cv::dilate(petiole, near, cv::getStructuringElement(cv::MORPH_ELLIPSE, {5, 5}));
    std::vector<bool> inside(outline.size());
    for (int i = 0; i < outline.size(); ++i) inside[i] = near.at<uchar>(outline.points[i]) != 0;
    const auto [first, last] = longestRun(inside);
    if (first >= 0 && outline.wrap(last - first) + 1 < outline.size()) {
      ends.petiole = true;
      ends.base = outline.wrap(last + 1);
      ends.bladeEnd = outline.wrap(first - 1);
      const cv::Point2d junction =
          (cv::Point2d(outline.points[ends.base]) + cv::Point2d(outline.points[ends.bladeEnd])) * 0.5;
      ends.apex = farthestFrom(outline, junction);
      return ends;
    }
  }
  // No petiole: the ends of the long axis of the leaf.
  const cv::Moments m = cv::moments(mask, true);
  const cv::Point2d centre(m.m10 / m.m00, m.m01 / m.m00);
  const double theta = 0.5 * std::atan2(2.0 * m.mu11, m.mu20 - m.mu02);
  const cv::Point2d axis(std::cos(theta), std::sin(theta));
  int low = 0, high = 0;
  for (int i = 1; i < outline.size(); ++i) {
    const double t = (cv::Point2d(outline.points[i]) - centre).dot(axis);
    if (t < (cv::Point2d(outline.points[low]) - centre).dot(axis)) low = i;
    if (t > (cv::Point2d(outline.points[high]) - centre).dot(axis)) high = i;
  }
  const double reach = kEndReachOfLength * outline.length;
  const bool lowIsApex = angleAtPoint(outline, low, reach) < angleAtPoint(outline, high, reach);
  ends.apex = lowIsApex ? low : high;
  const int baseEnd = lowIsApex ? high : low;
  const int notch = baseNotch(outline, centre, axis, baseEnd);
  ends.base = ends.bladeEnd = notch >= 0 ? notch : baseEnd;
  return ends;
}

}  // namespace leafmargin
