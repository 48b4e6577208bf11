// The outline of a synthetic whole leaf in its own frame, in any unit of length: an elliptic or
// ovate blade with a pointed apex, saw teeth along both sides away from apex and base, and a
// straight petiole. Every polygon is exact: the truth about a drawn leaf is computed from them.
#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin::leafgen {

using Polygon = std::vector<cv::Point2d>;

struct LeafShape {
  double bladeLength = 70.0;    // base to apex
  double bladeWidth = 34.0;     // at the widest point
  double ovate = 0.3;           // 0: elliptic; up to 1: the widest point moves toward the base
  double apexSharpness = 1.6;   // 1: elliptic ends; larger: a more pointed apex and base
  int teethPerSide = 14;        // 0: an entire margin
  double toothHeight = 1.4;     // tip outside the blade's curve
  double toothedFrom = 0.15;    // the teeth run from this share of the blade's length ...
  double toothedTo = 0.85;      // ... up to this share
  double tipAt = 0.7;           // where the tip stands along its tooth, base side to apex side
  double petioleLength = 18.0;  // 0: no petiole
  double petioleWidth = 1.6;
};

struct DrawnTooth {
  cv::Point2d tip;
  cv::Point2d sinusBefore;  // on the base side
  cv::Point2d sinusAfter;   // on the apex side
  double width() const;     // sinus to sinus
  double height() const;    // tip to the line through the two sinuses
};

// In the leaf's frame x runs along the axis from the blade's base (0) to its apex (bladeLength)
// and y across it, the right side positive. The petiole's edges meet the blade at x = insertion,
// where a straight cut across the petiole separates it from the blade.
struct LeafOutline {
  Polygon right, left;              // each side from the base to the apex, teeth included
  Polygon rightInternal, leftInternal;  // the same with every tip left out (sinus to sinus)
  std::vector<DrawnTooth> teeth;    // the right side's from the base, then the left side's
  double petioleLength = 0.0;
  double petioleWidth = 0.0;
  double insertion = 0.0;

  bool hasPetiole() const { return petioleLength > 0.0; }
  Polygon leaf() const;           // petiole and blade, one closed polygon
  Polygon blade() const;          // the blade closed by the cut across the petiole
  Polygon internalBlade() const;  // that blade with every tooth cut off from sinus to sinus
  Polygon petiole() const;        // from the cut to its end; empty without a petiole
  cv::Point2d apex() const { return right.back(); }
  std::array<cv::Point2d, 2> base() const;  // the cut's ends, right side first
};

// Throws std::invalid_argument for a shape that cannot be drawn (teeth reaching into the petiole,
// shares out of order, sizes not positive).
LeafOutline leafOutline(const LeafShape& shape);

}  // namespace leafmargin::leafgen
