#include "physiognomy/traced_length.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

#include "leaves/leaf_mask.h"

namespace leafmargin {

namespace {

double polylineLength(const std::vector<cv::Point2f>& points, bool closed) {
  double length = 0.0;
  for (std::size_t k = 1; k < points.size(); ++k) length += cv::norm(points[k] - points[k - 1]);
  if (closed && points.size() > 1) length += cv::norm(points.front() - points.back());
  return length;
}

// A stretch traced in pieces whose edges all lie on the border or all off it, each with its ends
// kept; a loop is cut open where the border begins or ends, and traced whole when it does nowhere.
TracedLength traceStretch(const std::vector<cv::Point2d>& points, const std::vector<bool>& edgesOnBorder,
                          bool loop, double tolerance) {
  const int edges = static_cast<int>(edgesOnBorder.size());
  const auto changesAt = [&](int e) { return edgesOnBorder[e] != edgesOnBorder[(e + edges - 1) % edges]; };
  int start = 0;
  while (loop && start < edges && !changesAt(start)) ++start;
  if (loop && start == edges) {
    const double whole = tracedRunLength(points, true, tolerance);
    return {whole, edges > 0 && edgesOnBorder[0] ? whole : 0.0};
  }
  TracedLength traced;
  const int size = static_cast<int>(points.size());
  std::vector<cv::Point2d> piece{points[start]};
  for (int k = 0; k < edges; ++k) {
    const int e = (start + k) % edges;
    piece.push_back(points[(e + 1) % size]);
    if (k + 1 == edges || edgesOnBorder[(e + 1) % edges] != edgesOnBorder[e]) {
      const double length = tracedRunLength(piece, false, tolerance);
      traced.perimeter += length;
      if (edgesOnBorder[e]) traced.onBorder += length;
      piece = {piece.back()};
    }
  }
  return traced;
}

}  // namespace

double tracingTolerance(double pixelsPerMm) {
  return kTracingTolerance * std::max(1.0, pixelsPerMm / kFinestSegmentedPixelsPerMm);
}

double tracedRunLength(const std::vector<cv::Point2d>& run, bool closed, double tolerance) {
  std::vector<cv::Point2f> points(run.begin(), run.end()), kept;
  if (points.size() < 3) return polylineLength(points, closed);
  cv::approxPolyDP(points, kept, tolerance, closed);
  return polylineLength(kept, closed);
}

TracedLength tracedLength(const LeafPolygon& polygon, const std::vector<cv::Point2d>& outline,
                          const std::vector<bool>& onBorder, double tolerance) {
  TracedLength length;
  const int size = static_cast<int>(outline.size());
  const auto borderAt = [&](int k) { return onBorder.size() == outline.size() && onBorder[k % size]; };
  const std::size_t stretches = polygon.stretches.size();
  for (std::size_t s = 0; s < stretches; ++s) {
    const OutlineStretch& stretch = polygon.stretches[s];
    std::vector<cv::Point2d> points;
    for (int k = 0; k < stretch.count; ++k) points.push_back(outline[(stretch.first + k) % size]);
    // Its edges, each on the border when both its ends are; a loop closes with its first point.
    std::vector<bool> edgesOnBorder;
    for (int e = 0; e < (polygon.wholeLoop ? stretch.count : stretch.count - 1); ++e)
      edgesOnBorder.push_back(borderAt(stretch.first + e) && borderAt(stretch.first + e + 1));
    const TracedLength traced = traceStretch(points, edgesOnBorder, polygon.wholeLoop, tolerance);
    length.perimeter += traced.perimeter;
    length.onBorder += traced.onBorder;
    if (!polygon.wholeLoop) length.perimeter += cv::norm(outline[polygon.stretches[(s + 1) % stretches].first] - points.back());
  }
  return length;
}

}  // namespace leafmargin
