#include "margin/angle_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "geometry/angles.h"
#include "geometry/chain.h"
#include "geometry/numeric.h"

namespace leafmargin {

namespace {

constexpr int kReach = 30;  // pixels
constexpr double kReachLimit = 30.0;

bool offsetWithinReach(std::int64_t dx, std::int64_t dy) {
  return dx >= -kReach && dx <= kReach && dy >= -kReach && dy <= kReach &&
         dx * dx + dy * dy < kReach * kReach;
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

namespace {

// The number of steps along the chain that can never leave the reach: k steps no longer than
// the longest one stay strictly inside it when k * k * longestStep < 900.
int stepsSurelyWithinReach(const std::vector<cv::Point>& outline) {
  int longestStep = 0;  // squared; 901 stands for any step out of reach
  for (size_t k = 1; k < outline.size(); ++k) {
    const int dx = wrapSub(outline[k].x, outline[k - 1].x);
    const int dy = wrapSub(outline[k].y, outline[k - 1].y);
    const int squared = withinReach(outline[k], outline[k - 1]) ? dx * dx + dy * dy : 901;
    longestStep = std::max(longestStep, squared);
  }
  if (longestStep == 0) return static_cast<int>(outline.size());
  int steps = 0;
  while ((steps + 1) * (steps + 1) * longestStep < kReach * kReach) ++steps;
  return steps;
}

}  // namespace

OutlineReach::OutlineReach(const std::vector<cv::Point>& outline)
    : outline_(outline), sureSteps_(stepsSurelyWithinReach(outline)) {
  const size_t n = outline.size();
  for (size_t level = 0; static_cast<size_t>(blockSize(level)) <= n; ++level) {
    std::vector<Box> boxes(n / blockSize(level));
    for (size_t b = 0; b < boxes.size(); ++b) {
      Box box{INT_MAX, INT_MIN, INT_MAX, INT_MIN};
      for (size_t k = 4 * b; k < 4 * b + 4; ++k) {
        const Box part = level == 0 ? Box{outline[k].x, outline[k].x, outline[k].y, outline[k].y}
                                    : levels_[level - 1][k];
        box = {std::min(box.minX, part.minX), std::max(box.maxX, part.maxX),
               std::min(box.minY, part.minY), std::max(box.maxY, part.maxY)};
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

bool OutlineReach::skipBlockEndingBefore(int& j, cv::Point centre) const {
  for (size_t level = levels_.size(); level-- > 0;) {
    const int size = blockSize(level);
    if (j % size == 0 && boxWithinReach(levels_[level][j / size - 1], centre)) {
      j -= size;
      return true;
    }
  }
  return false;
}

bool OutlineReach::skipBlockStartingAfter(int& k, cv::Point centre) const {
  const int next = k + 1;
  for (size_t level = levels_.size(); level-- > 0;) {
    const int size = blockSize(level);
    if (next % size == 0 && next / size < static_cast<int>(levels_[level].size()) &&
        boxWithinReach(levels_[level][next / size], centre)) {
      k += size;
      return true;
    }
  }
  return false;
}

int OutlineReach::before(int i) const {
  const cv::Point centre = outline_[i];
  int j = std::max(i - sureSteps_, 0);  // outline_[j..i] are all within reach
  for (int steps = 0; j > 0; ++steps) {
    if (steps >= kStepsBeforeBlocks && skipBlockEndingBefore(j, centre)) continue;
    if (!withinReach(outline_[j - 1], centre)) break;
    --j;
  }
  return j;
}

int OutlineReach::after(int i) const {
  const cv::Point centre = outline_[i];
  const int last = static_cast<int>(outline_.size()) - 1;
  int k = std::min(i + sureSteps_, last);  // outline_[i..k] are all within reach
  for (int steps = 0; k < last; ++steps) {
    if (steps >= kStepsBeforeBlocks && skipBlockStartingAfter(k, centre)) continue;
    if (!withinReach(outline_[k + 1], centre)) break;
    ++k;
  }
  return k;
}

std::vector<double> angleProfile(const std::vector<cv::Point>& outline, std::ostream& diag) {
  const int n = static_cast<int>(outline.size());
  std::vector<double> profile(kProfileMargin, kNoAngle);
  if (n > 2 * kProfileMargin) {
    const ChainSums sums(outline);
    const OutlineReach reach(outline);
    for (int i = kProfileMargin; i <= n - kProfileMargin - 1; ++i) {
      const cv::Point meanBefore = sums.mean(reach.before(i), i);
      const cv::Point meanAfter = sums.mean(i, reach.after(i));
      const double angle = angle3Points(outline[i], meanBefore, meanAfter, diag);
      profile.push_back(std::isnan(angle) ? kPi : angle);
    }
  }
  profile.insert(profile.end(), kProfileMargin, kNoAngle);
  return profile;
}

}  // namespace leafmargin
