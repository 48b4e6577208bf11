// Dense test outlines: a polyline of tips and sinus bottoms densified into an 8-connected chain
// as the outline sampling makes it, with the position of every vertex in that chain.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/segment_pixels.h"

namespace leafmargin::testing {

struct DenseOutline {
  std::vector<cv::Point> points;
  std::vector<int> vertexAt;  // position of each polyline vertex in points
};

inline DenseOutline densify(const std::vector<cv::Point>& vertices) {
  DenseOutline d;
  // Pixels are listed inside a picture only: lay the polyline in the middle of a huge one.
  const cv::Size everywhere(1 << 20, 1 << 20);
  const cv::Point shift(1 << 19, 1 << 19);
  if (vertices.empty()) return d;
  d.points.push_back(vertices[0]);
  d.vertexAt.push_back(0);
  for (size_t k = 1; k < vertices.size(); ++k) {
    const std::vector<cv::Point> piece =
        getAllPointsOfSegment(Segment(vertices[k - 1] + shift, vertices[k] + shift), everywhere);
    for (size_t i = 1; i < piece.size(); ++i) d.points.push_back(piece[i] - shift);
    d.vertexAt.push_back(static_cast<int>(d.points.size()) - 1);
  }
  return d;
}

// Positions of the vertices with the given indices.
inline std::vector<int> positionsOf(const DenseOutline& d, const std::vector<int>& vertices) {
  std::vector<int> out;
  for (int v : vertices) out.push_back(d.vertexAt[v]);
  return out;
}

}  // namespace leafmargin::testing
