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
    // Its edges, each on the border when both its ends are; a loop closes with its first point.
    const int edges = polygon.wholeLoop ? stretch.count : stretch.count - 1;
    const auto edgeOnBorder = [&](int e) {
      return borderAt(stretch.first + e) && borderAt(stretch.first + e + 1);
    };
    // A loop is cut open where the border begins or ends, if it does anywhere.
    int start = 0;
    bool open = !polygon.wholeLoop;
    for (int e = 0; !open && e < edges; ++e) {
      if (edgeOnBorder(e) != edgeOnBorder((e + edges - 1) % edges)) start = e, open = true;
    }
    if (!open) {
      std::vector<cv::Point2d> loop;
      for (int k = 0; k < stretch.count; ++k) loop.push_back(outline[(stretch.first + k) % size]);
      const double traced = tracedRunLength(loop, true, tolerance);
      length.perimeter += traced;
      if (edges > 0 && edgeOnBorder(0)) length.onBorder += traced;
    } else {
      // Pieces of edges all on the border or all off it, each traced with its ends kept.
      std::vector<cv::Point2d> piece{outline[(stretch.first + start) % size]};
      for (int k = 0; k < edges; ++k) {
        const int e = (start + k) % edges;
        piece.push_back(outline[(stretch.first + e + 1) % size]);
        if (k + 1 == edges || edgeOnBorder((e + 1) % edges) != edgeOnBorder(e)) {
          const double traced = tracedRunLength(piece, false, tolerance);
          length.perimeter += traced;
          if (edgeOnBorder(e)) length.onBorder += traced;
          piece = {piece.back()};
        }
      }
    }
    if (!polygon.wholeLoop) {
      const OutlineStretch& next = polygon.stretches[(s + 1) % stretches];
      length.perimeter += cv::norm(outline[next.first] - outline[(stretch.first + stretch.count - 1) % size]);
    }
  }
  return length;
}

}  // namespace leafmargin
