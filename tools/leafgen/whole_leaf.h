// A synthetic whole leaf in pixels with flat colours and no blur: the leaf of leaf_shape.h on a
// dark ground (bright leaf) or on white paper (green leaf), turned by any angle, with the ground
// just around it. The drawn tips and sinuses are returned in picture coordinates. Scenes in
// millimetres, with paper, rulers and a scanner's blur, are in scene.h.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "leafgen/leaf_shape.h"

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

struct GeneratedWholeLeaf {
  cv::Mat image;                   // 8-bit BGR
  std::vector<DrawnTooth> teeth;   // both sides
  cv::Point2d apex;
  cv::Point2d base;                // where the petiole joins the blade
};

GeneratedWholeLeaf generateWholeLeaf(const WholeLeafSpec& design);

}  // namespace leafmargin::leafgen
