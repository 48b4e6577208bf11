// The polygons a leaf is measured on, as stretches of its traced outline joined by straight cuts:
// the blade (the petiole cut off by the straight line between its two ends), the petiole (closed
// by the same line) and the internal blade (the blade with every tooth cut off by the straight
// line between its two sinuses). Indices only: the same polygon gives the area on the outline as
// traced and the perimeter on the outline smoothed.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "physiognomy/leaf_shape.h"

namespace leafmargin {

// Outline points first, first + 1, ... (round the loop), count of them.
struct OutlineStretch {
  int first = 0;
  int count = 0;
};

struct LeafPolygon {
  // In order round the polygon; the last point of each stretch is joined to the first point of
  // the next (the last to the first) by a straight cut.
  std::vector<OutlineStretch> stretches;
  // One stretch holding the whole outline, closed along the outline itself (nothing cut off).
  bool wholeLoop = false;

  bool empty() const { return stretches.empty(); }
};

// Whether the shape's petiole cut is usable: both ends given, distinct and on the outline.
bool hasPetiole(const LeafShape& shape);

// The blade: from petioleTo forward to petioleFrom, closed by the cut; the whole outline when
// there is no petiole.
LeafPolygon bladePolygon(const LeafShape& shape);

// The petiole: from petioleFrom forward to petioleTo, closed by the cut; empty without one.
LeafPolygon petiolePolygon(const LeafShape& shape);

// The blade with the stretch of each tooth, sinus to sinus, replaced by the straight line between
// its sinuses. A tooth whose span does not lie on the blade in forward order (sinus, tip, sinus),
// or that begins before the tooth kept before it ends, keeps its stretch.
LeafPolygon internalBladePolygon(const LeafShape& shape);

// The polygon's points taken from points (the outline, or the outline smoothed: one per outline
// point), in order.
std::vector<cv::Point2d> polygonPoints(const LeafPolygon& polygon, const std::vector<cv::Point2d>& points);

// The area enclosed by the polygon on the outline as traced (shoelace), in square pixels.
double polygonArea(const LeafPolygon& polygon, const std::vector<cv::Point2d>& outline);

}  // namespace leafmargin
