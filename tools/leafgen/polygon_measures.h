// Exact measures of a closed polygon given by its vertices: area, perimeter, calipers, and what of
// it lies inside an axis-aligned rectangle (a picture). Everything is computed in double
// precision from the vertices; nothing is rasterised.
#pragma once

#include <opencv2/core.hpp>

#include "leafgen/leaf_shape.h"

namespace leafmargin::leafgen {

double polygonArea(const Polygon& polygon);
double polygonPerimeter(const Polygon& polygon);

struct Calipers {
  double feret = 0.0;         // the largest distance between two points of the polygon
  double minimumFeret = 0.0;  // the narrowest width between two parallel lines enclosing it
};
Calipers calipers(const Polygon& polygon);

// The part of the polygon inside the rectangle (a polygon that may run along the rectangle's
// border between separate pieces; its area is exact).
Polygon clippedToRect(const Polygon& polygon, const cv::Rect2d& rect);

// Length of the polygon's outline inside the rectangle.
double outlineInside(const Polygon& polygon, const cv::Rect2d& rect);

// Length of the rectangle's border that lies inside the polygon.
double borderInside(const Polygon& polygon, const cv::Rect2d& rect);

// Whether a point lies inside the polygon (even-odd rule).
bool insidePolygon(const Polygon& polygon, cv::Point2d p);

}  // namespace leafmargin::leafgen
