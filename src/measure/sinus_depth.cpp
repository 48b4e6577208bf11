#include "measure/sinus_depth.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "geometry/perpendicular_foot.h"
#include "geometry/segment_pixels.h"

namespace leafmargin {

namespace {

// Length of the segment that carries the perpendicular's direction.
constexpr double kDepthCarrierLength = 500.0;
// A depth with this many pixels on the leaf crosses it and does not count.
constexpr int kMaxLeafPixels = 4;

// The fields of a chord's Line that decide every depth measured against it, bit for bit: two
// chords with equal keys give every sinus the same depth segment.
struct LineKey {
  bool vertical;
  int xVertical;
  std::uint64_t slope, y0;

  explicit LineKey(const Line& l) : vertical(l.vertical), xVertical(l.xVertical) {
    std::memcpy(&slope, &l.slope, sizeof slope);
    std::memcpy(&y0, &l.y0, sizeof y0);
  }
  bool operator==(const LineKey& o) const {
    return vertical == o.vertical && xVertical == o.xVertical && slope == o.slope && y0 == o.y0;
  }
};

struct LineKeyHash {
  std::size_t operator()(const LineKey& k) const {
    std::uint64_t h = k.slope * 0x9E3779B97F4A7C15ULL;
    h ^= (k.y0 + 0x632BE59BD9B4E019ULL + (h << 6) + (h >> 2)) * 0xBF58476D1CE4E5B9ULL;
    h ^= static_cast<std::uint64_t>(static_cast<std::uint32_t>(k.xVertical)) << 1 | k.vertical;
    return static_cast<std::size_t>(h ^ (h >> 31));
  }
};

// The search in loop order, smallest j, then k, then sinus index m, keeping the first of equal
// depths. A sinus already measured against an equal chord line is skipped: its depth segment
// is the one measured then, which either crossed the leaf or did not exceed the maximum, which
// has only grown since. In loop order the first sinus of a chord never decreases, so one index
// per line tells what is left: every sinus from the current chord's first up to it has been
// measured. Combs of teeth with their tips on one row (every chord on one line) then cost one
// line per pair of tips instead of one depth per pair and sinus.
class DeepestSinusSearch {
 public:
  DeepestSinusSearch(const std::vector<cv::Point>& outline,
                     const std::vector<MeasuredSinus>& sinuses, const cv::Mat& mask)
      : outline_(outline), sinuses_(sinuses), mask_(mask) {}

  // Measures the sinuses first..last against the chord; chords come in loop order.
  void chord(const Segment& chord, int first, int last) {
    const Line line(chord);
    int& measuredTo = measuredTo_.try_emplace(LineKey(line), first - 1).first->second;
    measure(chord, line, std::max(first, measuredTo + 1), last);
    measuredTo = std::max(measuredTo, last);
  }

  const DeepestSinus& best() const { return best_; }

 private:
  void measure(const Segment& chord, const Line& line, int first, int last) {
    if (first > last) return;
    const PerpendicularFoot foot(line, kDepthCarrierLength);
    for (int m = first; m <= last; ++m) {
      const cv::Point q = outline_[sinuses_[m].bottom];
      const Segment depth(q, foot.from(q));
      const double length = segmentLength(depth);
      // The pixel count only matters for a depth that would beat the maximum.
      if (length > best_.profondeurMax && countSegmentPixelsInMask(depth, mask_) < kMaxLeafPixels)
        best_ = {length, depth, chord};
    }
  }

  const std::vector<cv::Point>& outline_;
  const std::vector<MeasuredSinus>& sinuses_;
  const cv::Mat& mask_;
  std::unordered_map<LineKey, int, LineKeyHash> measuredTo_;
  DeepestSinus best_;
};

}  // namespace

DeepestSinus findDeepestSinus(const std::vector<cv::Point>& leafOutline,
                              const std::vector<int>& dents,
                              const std::vector<MeasuredSinus>& sinuses,
                              const cv::Mat& foregroundMask) {
  const int tips = static_cast<int>(dents.size());
  const int measured = static_cast<int>(sinuses.size());
  DeepestSinusSearch search(leafOutline, sinuses, foregroundMask);
  for (int j = 0; j < measured; ++j)
    for (int k = j + 1; k < tips; ++k)
      search.chord(Segment(leafOutline[dents[j]], leafOutline[dents[k]]), j,
                   std::min(k - 1, measured - 1));
  return search.best();
}

void drawDeepestSinus(const DeepestSinus& deepest, cv::Mat& drawing) {
  drawSegment(deepest.depth, drawing, 3, cv::Scalar(255, 0, 255));
  drawSegment(deepest.chord, drawing, 3, cv::Scalar(0, 255, 255));
}

}  // namespace leafmargin
