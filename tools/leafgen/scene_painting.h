// The painting steps of a scene's rendering, one per kind of thing on the page, each drawing at
// sub-pixel precision into the picture (pixel centres on whole coordinates).
#pragma once

#include <cmath>
#include <opencv2/core.hpp>
#include <vector>

#include "leafgen/scene.h"

namespace leafmargin::leafgen {

constexpr int kDrawShift = 4;  // OpenCV drawing in fixed point with 1/16 pixel

inline cv::Point fixedPoint(cv::Point2d px) {
  return {static_cast<int>(std::lround(px.x * (1 << kDrawShift))), static_cast<int>(std::lround(px.y * (1 << kDrawShift)))};
}

// Paper (plain or printed with a grid) or the dark ground over the whole picture.
void paintGround(cv::Mat& picture, const Scene& scene);

// A ruler, label, colour chart or print, turned about its centre.
void paintObject(cv::Mat& picture, const Scene& scene, const SceneObject& object);

// A leaf with its colour, texture and veins; its edge is the polygon's, antialiased.
void paintLeaf(cv::Mat& picture, const Scene& scene, const SceneLeaf& leaf, unsigned seed);

// Specks and hairs, kept outside the given page rectangles (the leaves).
void paintDust(cv::Mat& picture, const Scene& scene, const std::vector<cv::Rect2d>& keepOff, unsigned seed);

// Share of each pixel of box (picture pixels) covered by the polygon (picture pixels), 0..255.
cv::Mat polygonCoverage(const Polygon& polygon, const cv::Rect& box);

}  // namespace leafmargin::leafgen
