// A scene rendered as a flatbed scanner delivers it: the ground, the objects beside the leaves,
// the leaves filled at sub-pixel precision with a leaf's colour, texture and veins (which never
// reach the margin), dust, the optics' slight blur, sensor noise, and JPEG. The same scene and
// seed give the same bytes.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "leafgen/scene.h"
#include "leafgen/scene_truth.h"

namespace leafmargin::leafgen {

// The picture before it is encoded: 8-bit BGR of pictureSize(scene).
cv::Mat renderScene(const Scene& scene);

struct GeneratedScene {
  cv::Mat picture;                  // as the file decodes
  std::vector<unsigned char> file;  // JPEG at the scene's quality, or PNG when it is 0
  SceneTruth truth;
};

GeneratedScene generateScene(const Scene& scene);

}  // namespace leafmargin::leafgen
