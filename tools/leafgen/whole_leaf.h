// Synthetic whole leaves with known teeth, for the tests of whole-leaf scans: an elliptic or
// ovate blade with a pointed apex, saw teeth along both sides away from apex and base, a petiole,
// on a dark ground (bright leaf) or on white paper (green leaf), turned by any angle. The drawn
// tips and sinuses are returned in picture coordinates.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin::leafgen {

struct WholeLeafSpec {
  int bladeLength = 1300;      // base to apex, pixels
  int bladeWidth = 560;        // at the widest point
  double ovate = 0.0;          // 0: elliptic; up to 1: the widest point moves toward the base
  double apexSharpness = 1.6;  // 1: elliptic ends; larger: a more pointed apex
  int teethPerSide = 9;
  int toothHeight = 45;        // tip outside the blade's curve, pixels
  double toothedFrom = 0.18;   // the teeth cover this share of the blade's length from the base ...
  double toothedTo = 0.82;     // ... up to this share
  double tipAt = 0.7;          // where the tip stands along its tooth, base side to apex side
  int petioleLength = 260;
  int petioleWidth = 36;
  double turnDegrees = 0.0;    // counter-clockwise on the screen; 0: apex up
  bool darkGround = true;      // bright leaf on dark ground; false: green leaf on white paper
  int groundMargin = 120;      // ground around the leaf, pixels
};

struct DrawnTooth {
  cv::Point2d tip;
  cv::Point2d sinusBefore;  // on the base side
  cv::Point2d sinusAfter;   // on the apex side
  double width() const;     // sinus to sinus
  double height() const;    // tip to the line through the two sinuses
};

struct GeneratedWholeLeaf {
  cv::Mat image;                   // 8-bit BGR
  std::vector<DrawnTooth> teeth;   // both sides
  cv::Point2d apex;
  cv::Point2d base;                // where the petiole joins the blade
};

GeneratedWholeLeaf generateWholeLeaf(const WholeLeafSpec& design);

}  // namespace leafmargin::leafgen
