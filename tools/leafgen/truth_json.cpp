#include "leafgen/truth_json.h"

#include <nlohmann/json.hpp>

namespace leafmargin::leafgen {

namespace {

using nlohmann::json;

json point(cv::Point2d p) { return json::array({p.x, p.y}); }

json optional(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

// The measures of one leaf in one unit (lengths in it, areas in its square).
json measures(const LeafTruth& leaf) {
  json teeth = json::array();
  for (const ToothTruth& t : leaf.teeth)
    teeth.push_back({{"tip", point(t.drawn.tip)},
                     {"sinus_before", point(t.drawn.sinusBefore)},
                     {"sinus_after", point(t.drawn.sinusAfter)},
                     {"width", t.drawn.width()},
                     {"height", t.drawn.height()},
                     {"inside", t.inside}});
  return {{"apex", point(leaf.apex)},
          {"base", json::array({point(leaf.base[0]), point(leaf.base[1])})},
          {"blade_area", leaf.bladeArea},
          {"blade_perimeter", leaf.bladePerimeter},
          {"internal_area", leaf.internalArea},
          {"internal_perimeter", leaf.internalPerimeter},
          {"feret", leaf.bladeCalipers.feret},
          {"minimum_feret", leaf.bladeCalipers.minimumFeret},
          {"petiole_width", optional(leaf.petioleWidth)},
          {"petiole_area", optional(leaf.petioleArea)},
          {"visible_blade_area", leaf.visibleBladeArea},
          {"visible_blade_perimeter", leaf.visibleBladePerimeter},
          {"visible_internal_area", leaf.visibleInternalArea},
          {"visible_internal_perimeter", leaf.visibleInternalPerimeter},
          {"visible_feret", leaf.visibleCalipers.feret},
          {"visible_minimum_feret", leaf.visibleCalipers.minimumFeret},
          {"visible_petiole_area", optional(leaf.visiblePetioleArea)},
          {"outline_outside", leaf.outlineOutside},
          {"border_length", leaf.borderLength},
          {"teeth", teeth}};
}

json box(const cv::Rect2d& r) { return json::array({r.x, r.y, r.width, r.height}); }

}  // namespace

std::string truthJson(const Scene& scene, const SceneTruth& truth, const std::string& pictureFile) {
  json leaves = json::array();
  for (std::size_t i = 0; i < truth.leaves.size(); ++i) {
    const LeafTruth& leaf = truth.leaves[i];
    leaves.push_back({{"leaf", i + 1},
                      {"teeth", leaf.teeth.size()},
                      {"teeth_inside", leaf.teethInside()},
                      {"mm", measures(leaf)},
                      {"px", measures(truth.leavesInPixels[i])}});
  }
  json objects = json::array();
  for (std::size_t i = 0; i < truth.objects.size(); ++i)
    objects.push_back({{"kind", truth.objects[i].kind},
                       {"box_mm", box(truth.objects[i].box)},
                       {"box_px", box(truth.objectsInPixels[i].box)}});
  const json document{{"picture",
                       {{"file", pictureFile},
                        {"width", truth.picture.width},
                        {"height", truth.picture.height},
                        {"dpi", truth.dpi},
                        {"page_mm", json::array({scene.page.width, scene.page.height})},
                        {"jpeg_quality", scene.jpegQuality},
                        {"seed", scene.seed}}},
                      {"leaves", leaves},
                      {"objects", objects}};
  return document.dump(1) + "\n";
}

}  // namespace leafmargin::leafgen
