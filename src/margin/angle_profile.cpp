#include "margin/angle_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geometry/angles.h"
#include "geometry/numeric.h"

namespace leafmargin {

namespace {

constexpr int kReach = 30;           // pixels
constexpr double kReachLimit = 30.0;

bool offsetWithinReach(std::int64_t dx, std::int64_t dy) {
  return dx >= -kReach && dx <= kReach && dy >= -kReach && dy <= kReach &&
         dx * dx + dy * dy < kReach * kReach;
}

cv::Point integerMean(const std::vector<std::int64_t>& sumX, const std::vector<std::int64_t>& sumY,
                      int from, int to) {
  const std::int64_t count = to - from + 1;
  return {static_cast<int>((sumX[to + 1] - sumX[from]) / count),
          static_cast<int>((sumY[to + 1] - sumY[from]) / count)};
}

}  // namespace

bool withinReach(cv::Point a, cv::Point centre) {
  const int dx = wrapSub(a.x, centre.x);
  const int dy = wrapSub(a.y, centre.y);
  if (dx < -kReach || dx > kReach || dy < -kReach || dy > kReach) return false;
  // Only a squared distance of exactly 900 leaves the answer to the floating-point distance.
  const int squared = dx * dx + dy * dy;
  if (squared != kReach * kReach) return squared < kReach * kReach;
  return pointDistance(a, centre) <= kReachLimit;
}

OutlineReach::OutlineReach(const std::vector<cv::Point>& outline) : outline_(outline) {
  const size_t n = outline.size();
  for (size_t level = 0; static_cast<size_t>(blockSize(level)) <= n; ++level) {
    const size_t count = n / blockSize(level);
    std::vector<Box> boxes(count);
    for (size_t b = 0; b < count; ++b) {
      Box box{INT_MAX, INT_MIN, INT_MAX, INT_MIN};
      const auto widen = [&box](const Box& other) {
        box = {std::min(box.minX, other.minX), std::max(box.maxX, other.maxX),
               std::min(box.minY, other.minY), std::max(box.maxY, other.maxY)};
      };
      if (level == 0) {
        for (size_t k = 4 * b; k < 4 * b + 4; ++k)
          widen({outline[k].x, outline[k].x, outline[k].y, outline[k].y});
      } else {
        for (size_t k = 4 * b; k < 4 * b + 4; ++k) widen(levels_[level - 1][k]);
      }
      boxes[b] = box;
    }
    levels_.push_back(std::move(boxes));
  }
}

bool OutlineReach::boxWithinReach(const Box& box, cv::Point centre) const {
  // The box corner farthest from the centre bounds every point of the block.
  const std::int64_t fx = std::max(static_cast<std::int64_t>(centre.x) - box.minX,
                                   static_cast<std::int64_t>(box.maxX) - centre.x);
  const std::int64_t fy = std::max(static_cast<std::int64_t>(centre.y) - box.minY,
                                   static_cast<std::int64_t>(box.maxY) - centre.y);
  return offsetWithinReach(fx, fy);
}

int OutlineReach::before(int i) const {
  const cv::Point centre = outline_[i];
  int j = i;  // outline_[j..i] are all within reach
  while (j > 0) {
    bool skipped = false;
    for (size_t level = levels_.size(); level-- > 0 && !skipped;) {
      const int size = blockSize(level);
      if (j % size == 0 && boxWithinReach(levels_[level][j / size - 1], centre)) {
        j -= size;
        skipped = true;
      }
    }
    if (skipped) continue;
    if (!withinReach(outline_[j - 1], centre)) break;
    --j;
  }
  return j;
}

int OutlineReach::after(int i) const {
  const cv::Point centre = outline_[i];
  const int last = static_cast<int>(outline_.size()) - 1;
  int k = i;  // outline_[i..k] are all within reach
  while (k < last) {
    const int next = k + 1;
    bool skipped = false;
    for (size_t level = levels_.size(); level-- > 0 && !skipped;) {
      const int size = blockSize(level);
      if (next % size == 0 && next / size < static_cast<int>(levels_[level].size()) &&
          boxWithinReach(levels_[level][next / size], centre)) {
        k += size;
        skipped = true;
      }
    }
    if (skipped) continue;
    if (!withinReach(outline_[next], centre)) break;
    k = next;
  }
  return k;
}

std::vector<double> angleProfile(const std::vector<cv::Point>& outline, std::ostream& diag) {
  const int n = static_cast<int>(outline.size());
  std::vector<double> profile(kProfileMargin, kNoAngle);
  if (n > 2 * kProfileMargin) {
    std::vector<std::int64_t> sumX(n + 1, 0), sumY(n + 1, 0);
    for (int k = 0; k < n; ++k) {
      sumX[k + 1] = sumX[k] + outline[k].x;
      sumY[k + 1] = sumY[k] + outline[k].y;
    }
    const OutlineReach reach(outline);
    for (int i = kProfileMargin; i <= n - kProfileMargin - 1; ++i) {
      const cv::Point meanBefore = integerMean(sumX, sumY, reach.before(i), i);
      const cv::Point meanAfter = integerMean(sumX, sumY, i, reach.after(i));
      const double angle = angle3Points(outline[i], meanBefore, meanAfter, diag);
      profile.push_back(std::isnan(angle) ? kPi : angle);
    }
  }
  profile.insert(profile.end(), kProfileMargin, kNoAngle);
  return profile;
}

}  // namespace leafmargin
