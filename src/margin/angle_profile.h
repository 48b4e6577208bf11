// The opening angle of the outline at every point: the angle at the point between the integer
// mean of the outline stretch reaching back from it and the mean of the stretch reaching
// forward, each stretch ending before the first point farther than 30 pixels. The reach walks
// start past the points that the chain's longest step cannot carry out of reach, and a walk
// that goes on for long jumps over aligned blocks whose bounding box lies inside the reach; the
// result is that of the point-by-point walk.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>
#include <vector>

namespace leafmargin {

// The value of the first 30 and the last 30 entries of the profile: a full turn, never a minimum.
constexpr double kNoAngle = 6.28318530718;
constexpr int kProfileMargin = 30;

class OutlineReach {
 public:
  // The outline must outlive this object.
  explicit OutlineReach(const std::vector<cv::Point>& outline);

  // Smallest s <= i such that outline[s..i] all lie within 30.0 pixels of outline[i]: the walk
  // back from i stops at the first point farther away, even when later ones come back.
  int before(int i) const;
  // Largest e >= i such that outline[i..e] all lie within 30.0 pixels of outline[i].
  int after(int i) const;

 private:
  struct Box {
    int minX, maxX, minY, maxY;
  };
  // Level l holds the boxes of the aligned blocks of 4^(l+1) points (whole blocks only).
  static constexpr int kStepsBeforeBlocks = 48;
  int blockSize(size_t level) const { return 4 << (2 * level); }
  bool boxWithinReach(const Box& box, cv::Point centre) const;
  // Moves j back over the largest aligned block ending at j - 1 that lies within reach.
  bool skipBlockEndingBefore(int& j, cv::Point centre) const;
  // Moves k on over the largest aligned block starting at k + 1 that lies within reach.
  bool skipBlockStartingAfter(int& k, cv::Point centre) const;

  const std::vector<cv::Point>& outline_;
  int sureSteps_ = 0;  // this many steps along the chain never leave the reach
  std::vector<std::vector<Box>> levels_;
};

// pointDistance(a, centre) <= 30.0, decided on integers except at exactly 30.
bool withinReach(cv::Point a, cv::Point centre);

// angleProfile: 30 entries of kNoAngle, then for n > 60 the angle at points 30..n-31 (radians;
// a NaN angle becomes 3.14159265359), then 30 entries of kNoAngle. angle3Points writes its
// diagnostic for a degenerate triple on diag.
std::vector<double> angleProfile(const std::vector<cv::Point>& outline, std::ostream& diag);

}  // namespace leafmargin
