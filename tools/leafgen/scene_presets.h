// Named scenes for the tests, the benchmark and the command line, each a case real scans bring:
// a leaf on paper or on a dark ground, on graph paper among a ruler, a label, a colour chart and
// print, two leaves apart or touching, a petiole or a blade running off the picture, an entire
// leaf, a page of six leaves, and a page with no leaf at all.
#pragma once

#include <string>
#include <vector>

#include "leafgen/scene.h"

namespace leafmargin::leafgen {

// "paper", "dark", "graph-paper", "two-leaves", "touching", "petiole-off-border",
// "blade-off-border", "entire", "six-leaves", "no-leaf"; at 300 dpi, JPEG quality 90.
Scene namedScene(const std::string& name);
const std::vector<std::string>& sceneNames();

// right moved along the page's x axis until it touches left, which lies to its left: their
// outlines meet (a micrometre apart) without overlapping.
SceneLeaf touching(const SceneLeaf& left, SceneLeaf right);

}  // namespace leafmargin::leafgen
