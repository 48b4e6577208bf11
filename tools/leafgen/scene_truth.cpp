#include "leafgen/scene_truth.h"

#include <algorithm>

namespace leafmargin::leafgen {

namespace {

bool insideRect(const cv::Rect2d& r, cv::Point2d p) {
  return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

Polygon transformed(const Polygon& polygon, double scale, cv::Point2d offset) {
  Polygon out;
  out.reserve(polygon.size());
  for (const cv::Point2d& p : polygon) out.push_back(p * scale + offset);
  return out;
}

std::vector<ObjectTruth> objectBoxes(const Scene& scene, double scale, cv::Point2d offset) {
  std::vector<ObjectTruth> boxes;
  for (const SceneObject& object : scene.objects) {
    const Polygon corners = transformed(objectFootprint(object), scale, offset);
    cv::Point2d low = corners[0], high = corners[0];
    for (const cv::Point2d& c : corners) {
      low = {std::min(low.x, c.x), std::min(low.y, c.y)};
      high = {std::max(high.x, c.x), std::max(high.y, c.y)};
    }
    boxes.push_back({objectKind(object), cv::Rect2d(low, high)});
  }
  return boxes;
}

}  // namespace

int LeafTruth::teethInside() const {
  return static_cast<int>(std::count_if(teeth.begin(), teeth.end(), [](const ToothTruth& t) { return t.inside; }));
}

LeafTruth leafTruth(const SceneLeaf& leaf, const cv::Rect2d& picture) {
  const LeafOutline outline = leafOutline(leaf.shape);
  LeafTruth truth;
  truth.outline = onPage(leaf, outline.leaf());
  truth.blade = onPage(leaf, outline.blade());
  truth.internal = onPage(leaf, outline.internalBlade());
  truth.petiole = onPage(leaf, outline.petiole());
  for (const DrawnTooth& t : outline.teeth) {
    ToothTruth tooth{{onPage(leaf, t.tip), onPage(leaf, t.sinusBefore), onPage(leaf, t.sinusAfter)}, true};
    tooth.inside = insideRect(picture, tooth.drawn.tip) && insideRect(picture, tooth.drawn.sinusBefore) &&
                   insideRect(picture, tooth.drawn.sinusAfter);
    truth.teeth.push_back(tooth);
  }
  truth.apex = onPage(leaf, outline.apex());
  const auto base = outline.base();
  truth.base = {onPage(leaf, base[0]), onPage(leaf, base[1])};

  truth.bladeArea = polygonArea(truth.blade);
  truth.bladePerimeter = polygonPerimeter(truth.blade);
  truth.internalArea = polygonArea(truth.internal);
  truth.internalPerimeter = polygonPerimeter(truth.internal);
  truth.bladeCalipers = calipers(truth.blade);

  const Polygon visible = clippedToRect(truth.blade, picture);
  truth.borderLength = borderInside(truth.blade, picture);
  const double outlineIn = outlineInside(truth.blade, picture);
  truth.outlineOutside = truth.bladePerimeter - outlineIn;
  truth.visibleBladeArea = polygonArea(visible);
  truth.visibleBladePerimeter = outlineIn + truth.borderLength;
  truth.visibleInternalArea = polygonArea(clippedToRect(truth.internal, picture));
  truth.visibleInternalPerimeter = outlineInside(truth.internal, picture) + borderInside(truth.internal, picture);
  truth.visibleCalipers = calipers(visible);
  if (outline.hasPetiole()) {
    truth.petioleWidth = cv::norm(truth.base[0] - truth.base[1]);
    truth.petioleArea = polygonArea(truth.petiole);
    truth.visiblePetioleArea = polygonArea(clippedToRect(truth.petiole, picture));
  }
  return truth;
}

LeafTruth scaledTruth(const LeafTruth& mm, double scale, cv::Point2d offset) {
  LeafTruth t = mm;
  for (Polygon* polygon : {&t.outline, &t.blade, &t.internal, &t.petiole}) *polygon = transformed(*polygon, scale, offset);
  for (ToothTruth& tooth : t.teeth)
    for (cv::Point2d* p : {&tooth.drawn.tip, &tooth.drawn.sinusBefore, &tooth.drawn.sinusAfter}) *p = *p * scale + offset;
  for (cv::Point2d* p : {&t.apex, &t.base[0], &t.base[1]}) *p = *p * scale + offset;
  const double area = scale * scale;
  for (double* a : {&t.bladeArea, &t.internalArea, &t.visibleBladeArea, &t.visibleInternalArea}) *a *= area;
  for (double* l : {&t.bladePerimeter, &t.internalPerimeter, &t.visibleBladePerimeter, &t.visibleInternalPerimeter,
                    &t.outlineOutside, &t.borderLength, &t.bladeCalipers.feret, &t.bladeCalipers.minimumFeret,
                    &t.visibleCalipers.feret, &t.visibleCalipers.minimumFeret})
    *l *= scale;
  if (t.petioleWidth) *t.petioleWidth *= scale;
  for (std::optional<double>* a : {&t.petioleArea, &t.visiblePetioleArea})
    if (*a) **a *= area;
  return t;
}

SceneTruth sceneTruth(const Scene& scene) {
  SceneTruth truth;
  truth.picture = pictureSize(scene);
  truth.dpi = scene.dpi;
  const double k = pixelsPerMm(scene);
  const cv::Point2d offset = toPicture(scene, {0.0, 0.0});
  for (const SceneLeaf& leaf : scene.leaves) {
    truth.leaves.push_back(leafTruth(leaf, pictureOnPage(scene)));
    truth.leavesInPixels.push_back(scaledTruth(truth.leaves.back(), k, offset));
  }
  truth.objects = objectBoxes(scene, 1.0, {0.0, 0.0});
  truth.objectsInPixels = objectBoxes(scene, k, offset);
  return truth;
}

}  // namespace leafmargin::leafgen
