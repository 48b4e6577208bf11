// A scene's truth as the small JSON file written next to its picture: the picture, every leaf in
// page millimetres ("mm") and in the picture's pixels ("px"), and the objects beside the leaves.
#pragma once

#include <string>

#include "leafgen/scene.h"
#include "leafgen/scene_truth.h"

namespace leafmargin::leafgen {

std::string truthJson(const Scene& scene, const SceneTruth& truth, const std::string& pictureFile);

}  // namespace leafmargin::leafgen
