// The exact geometry of every leaf drawn in a scene, computed from its polygons and never from the
// raster: teeth, apex and base, areas and perimeters of the blade with and without its teeth,
// calipers, the petiole, and what the picture's border cuts off. Given in page millimetres and,
// scaled, in the picture's pixels.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "leafgen/polygon_measures.h"
#include "leafgen/scene.h"

namespace leafmargin::leafgen {

struct ToothTruth {
  DrawnTooth drawn;
  bool inside = true;  // the tooth (tip and both sinuses) lies wholly inside the picture
};

struct LeafTruth {
  Polygon outline;   // the whole leaf as drawn, petiole included
  Polygon blade;     // the blade, closed by the straight cut across the petiole
  Polygon internal;  // that blade with every tooth cut off between its two sinuses
  Polygon petiole;   // from the cut to its end; empty without a petiole
  std::vector<ToothTruth> teeth;  // the right side's from the base, then the left side's
  cv::Point2d apex;
  std::array<cv::Point2d, 2> base{};  // the cut's ends (one point twice without a petiole)

  double bladeArea = 0.0, bladePerimeter = 0.0;        // the cut included in the perimeter
  double internalArea = 0.0, internalPerimeter = 0.0;
  Calipers bladeCalipers;
  std::optional<double> petioleWidth, petioleArea;      // unset without a petiole

  // What the picture shows of it.
  double visibleBladeArea = 0.0, visibleBladePerimeter = 0.0;  // border stretches included
  double visibleInternalArea = 0.0, visibleInternalPerimeter = 0.0;
  Calipers visibleCalipers;
  std::optional<double> visiblePetioleArea;
  double outlineOutside = 0.0;  // of the blade's outline, beyond the picture's border
  double borderLength = 0.0;    // of the visible blade's outline, along the picture's border

  int teethInside() const;
};

struct ObjectTruth {
  std::string kind;  // as objectKind()
  cv::Rect2d box;    // the footprint's bounding box
};

struct SceneTruth {
  cv::Size picture;
  double dpi = 0.0;
  std::vector<LeafTruth> leaves;  // page millimetres, in the scene's order
  std::vector<LeafTruth> leavesInPixels;
  std::vector<ObjectTruth> objects;
  std::vector<ObjectTruth> objectsInPixels;
};

// One leaf against the picture's extent on the page.
LeafTruth leafTruth(const SceneLeaf& leaf, const cv::Rect2d& picture);

// The same truth in another unit: points go to p * scale + offset, lengths scale, areas by its
// square.
LeafTruth scaledTruth(const LeafTruth& truth, double scale, cv::Point2d offset);

SceneTruth sceneTruth(const Scene& scene);

}  // namespace leafmargin::leafgen
