#include "measure/sinus_depth.h"

#include <algorithm>
#include <cmath>

#include "geometry/line.h"
#include "geometry/numeric.h"
#include "geometry/segment_pixels.h"

namespace leafmargin {

namespace {

// Length of the segment that carries the perpendicular's direction.
constexpr double kDepthCarrierLength = 500.0;
// A depth with this many pixels on the leaf crosses it and does not count.
constexpr int kMaxLeafPixels = 4;

// The half extents of segmentCentredAt for one direction and length, computed once per chord
// and applied to every sinus of that chord with the same arithmetic.
struct CentredOffsets {
  double h, v;
  CentredOffsets(double angle, double length)
      : h(std::cos(angle) * length * 0.5), v(std::sin(angle) * length * 0.5) {}
  Segment around(cv::Point c) const {
    return Segment(cv::Point(truncToInt(c.x - h), truncToInt(c.y - v)),
                   cv::Point(truncToInt(c.x + h), truncToInt(c.y + v)));
  }
};

}  // namespace

DeepestSinus findDeepestSinus(const std::vector<cv::Point>& leafOutline,
                              const std::vector<int>& dents, const std::vector<int>& sinus,
                              int startsWithSinus, const cv::Mat& foregroundMask) {
  DeepestSinus best;
  const int f = startsWithSinus;
  const int tips = static_cast<int>(dents.size());
  const int sinuses = static_cast<int>(sinus.size());
  const int lastFirstTip = std::min(tips - 1, sinuses - f);  // exclusive
  for (int j = 0; j < lastFirstTip; ++j) {
    for (int k = j + 1; k < tips; ++k) {
      const Segment chord(leafOutline[dents[j]], leafOutline[dents[k]]);
      const Line chordLine(chord);
      const CentredOffsets perpendicular(segmentAngle(chord) + kRightAngle, kDepthCarrierLength);
      const int lastSinus = std::min(k + f - 1, sinuses - 1);
      for (int m = j + f; m <= lastSinus; ++m) {
        const cv::Point q = leafOutline[sinus[m]];
        const Segment depth(q, lineIntersection(chordLine, Line(perpendicular.around(q))));
        const double length = segmentLength(depth);
        // The pixel count only matters for a depth that would beat the maximum.
        if (length > best.profondeurMax &&
            countSegmentPixelsInMask(depth, foregroundMask) < kMaxLeafPixels) {
          best.profondeurMax = length;
          best.depth = depth;
          best.chord = chord;
        }
      }
    }
  }
  return best;
}

void drawDeepestSinus(const DeepestSinus& deepest, cv::Mat drawing) {
  drawSegment(deepest.depth, drawing, 3, cv::Scalar(255, 0, 255));
  drawSegment(deepest.chord, drawing, 3, cv::Scalar(0, 255, 255));
}

}  // namespace leafmargin
