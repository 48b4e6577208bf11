#include "leafgen/scene_presets.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace leafmargin::leafgen {

namespace {

const cv::Size2d kA4{210.0, 297.0};

SceneLeaf placed(const LeafShape& shape, cv::Point2d centre, double turnDegrees) {
  SceneLeaf leaf;
  leaf.shape = shape;
  leaf.centre = centre;
  leaf.turnDegrees = turnDegrees;
  return leaf;
}

LeafShape smallerLeaf(double ovate, int teethPerSide) {
  LeafShape shape;
  shape.bladeLength = 60.0;
  shape.bladeWidth = 29.0;
  shape.ovate = ovate;
  shape.teethPerSide = teethPerSide;
  shape.toothHeight = 1.3;
  shape.petioleLength = 15.0;
  return shape;
}

SceneObject ruler(cv::Point2d centre, double turn, double length, double width, RulerMaterial material) {
  return {Ruler{length, width, material}, centre, turn};
}

// The outline's extreme x on each of the given rows (sorted y): the largest when rightmost, else
// the smallest; NaN where the polygon does not reach the row.
std::vector<double> rowExtremes(const Polygon& polygon, const std::vector<double>& rows, bool rightmost) {
  struct Edge {
    cv::Point2d low, high;
  };
  std::vector<Edge> edges;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    cv::Point2d a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    if (a.y == b.y) continue;  // its ends are the ends of the edges next to it
    if (a.y > b.y) std::swap(a, b);
    edges.push_back({a, b});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& u, const Edge& v) { return u.low.y < v.low.y; });
  std::vector<double> extreme(rows.size(), std::nan(""));
  std::vector<const Edge*> active;
  std::size_t next = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const double y = rows[r];
    while (next < edges.size() && edges[next].low.y <= y) active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->high.y < y; }),
                 active.end());
    for (const Edge* e : active) {
      const double x = e->low.x + (y - e->low.y) / (e->high.y - e->low.y) * (e->high.x - e->low.x);
      if (std::isnan(extreme[r]) || (rightmost ? x > extreme[r] : x < extreme[r])) extreme[r] = x;
    }
  }
  return extreme;
}

}  // namespace

SceneLeaf touching(const SceneLeaf& left, SceneLeaf right) {
  constexpr double kClearance = 1e-6;  // mm left between the two, so that neither holds the other's points
  const Polygon a = onPage(left, leafOutline(left.shape).leaf());
  const Polygon b = onPage(right, leafOutline(right.shape).leaf());
  // The horizontal gap between the two outlines is linear between the rows of their vertices, so
  // its smallest value lies on one of them.
  std::vector<double> rows;
  for (const Polygon* p : {&a, &b})
    for (const cv::Point2d& v : *p) rows.push_back(v.y);
  std::sort(rows.begin(), rows.end());
  const std::vector<double> leftEdge = rowExtremes(a, rows, true), rightEdge = rowExtremes(b, rows, false);
  double gap = HUGE_VAL;
  for (std::size_t r = 0; r < rows.size(); ++r)
    if (!std::isnan(leftEdge[r]) && !std::isnan(rightEdge[r])) gap = std::min(gap, rightEdge[r] - leftEdge[r]);
  if (gap == HUGE_VAL) throw std::invalid_argument("the leaves share no row of the page");
  right.centre.x -= gap - kClearance;
  return right;
}

const std::vector<std::string>& sceneNames() {
  static const std::vector<std::string> names{"paper",    "dark",  "graph-paper", "two-leaves", "touching",
                                              "petiole-off-border", "blade-off-border", "entire", "six-leaves", "no-leaf"};
  return names;
}

Scene namedScene(const std::string& name) {
  Scene scene;
  scene.ground = plainPaper("white");
  scene.specks = 20;
  const LeafShape standard;
  if (name == "paper") {
    scene.leaves = {placed(standard, {70.0, 100.0}, 8.0)};
    scene.objects = {ruler({132.0, 105.0}, 90.0, 150.0, 20.0, RulerMaterial::White)};
  } else if (name == "dark") {
    scene.ground = darkGround();
    scene.specks = 15;
    scene.leaves = {placed(standard, {74.0, 100.0}, -5.0)};
    scene.objects = {ruler({74.0, 190.0}, 0.0, 130.0, 18.0, RulerMaterial::Yellow)};
  } else if (name == "graph-paper") {
    scene.page = kA4;
    scene.ground = graphPaper("pink");
    LeafShape large;
    large.bladeLength = 90.0;
    large.bladeWidth = 45.0;
    large.teethPerSide = 16;
    large.toothHeight = 1.8;
    large.petioleLength = 25.0;
    large.petioleWidth = 2.0;
    scene.leaves = {placed(large, {85.0, 130.0}, 12.0)};
    scene.objects = {ruler({185.0, 150.0}, 90.0, 150.0, 25.0, RulerMaterial::Transparent),
                     {Label{}, {60.0, 255.0}, 0.0},
                     {ColourChart{}, {105.0, 282.0}, 0.0},
                     {Print{"17", 8.0, {40, 40, 40}, false}, {150.0, 250.0}, 0.0},
                     {Print{"HB", 5.0, {150, 60, 30}, true}, {165.0, 22.0}, 0.0}};
    scene.specks = 60;
    scene.hairs = 3;
  } else if (name == "two-leaves" || name == "touching") {
    const SceneLeaf first = placed(smallerLeaf(0.3, 12), {40.0, 95.0}, 6.0);
    const SceneLeaf second = placed(smallerLeaf(0.6, 11), {108.0, 110.0}, -10.0);
    scene.leaves = {first, name == "touching" ? touching(first, second) : second};
    scene.objects = {ruler({74.0, 190.0}, 0.0, 130.0, 18.0, RulerMaterial::White)};
  } else if (name == "petiole-off-border") {
    // The blade's base 10 mm above the bottom edge, the petiole running 8 mm beyond it.
    scene.leaves = {placed(standard, {74.0, 165.0}, 0.0)};
    scene.objects = {ruler({74.0, 20.0}, 0.0, 130.0, 18.0, RulerMaterial::White)};
  } else if (name == "blade-off-border") {
    // Apex to the right, 12 mm of it beyond the right edge.
    scene.leaves = {placed(standard, {125.0, 100.0}, -90.0)};
    scene.objects = {ruler({74.0, 190.0}, 0.0, 130.0, 18.0, RulerMaterial::White)};
  } else if (name == "entire") {
    LeafShape entire = standard;
    entire.teethPerSide = 0;
    entire.ovate = 0.5;
    entire.apexSharpness = 1.3;
    scene.leaves = {placed(entire, {74.0, 95.0}, 15.0)};
    scene.objects = {{Label{}, {74.0, 180.0}, 0.0}};
  } else if (name == "six-leaves") {
    scene.page = kA4;
    for (int i = 0; i < 6; ++i)
      scene.leaves.push_back(placed(smallerLeaf(0.15 * i, 9 + i), {55.0 + 100.0 * (i % 2), 55.0 + 95.0 * (i / 2)},
                                    (i % 2 ? -1.0 : 1.0) * (4.0 + 3.0 * i)));
    scene.specks = 40;
  } else if (name == "no-leaf") {
    scene.ground = graphPaper("pink");
    scene.objects = {ruler({74.0, 105.0}, 90.0, 150.0, 22.0, RulerMaterial::Transparent),
                     {Label{}, {50.0, 190.0}, 0.0}};
  } else {
    throw std::invalid_argument("unknown scene: " + name);
  }
  return scene;
}

}  // namespace leafmargin::leafgen
