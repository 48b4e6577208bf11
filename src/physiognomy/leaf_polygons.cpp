#include "physiognomy/leaf_polygons.h"

#include <cmath>

#include "leaves/smooth_outline.h"

namespace leafmargin {

namespace {

bool onOutline(int index, int size) { return index >= 0 && index < size; }

// Steps forward from index from to index to round a loop of size points.
int forwardSteps(int from, int to, int size) { return ((to - from) % size + size) % size; }

// A tooth's span as offsets forward from the blade's first point.
struct Span {
  int begin = 0;
  int end = 0;
};

// The kept teeth of the blade that runs over offsets 0..last from outline index start. On a
// whole loop (last == size) a span may end at offset size, back at the start.
std::vector<Span> keptSpans(const LeafShape& shape, int start, int last) {
  const int size = static_cast<int>(shape.outline.size());
  std::vector<Span> spans;
  int previousEnd = 0;
  for (const ToothSpan& tooth : shape.teeth) {
    if (!onOutline(tooth.sinusBefore, size) || !onOutline(tooth.tip, size) ||
        !onOutline(tooth.sinusAfter, size) || tooth.sinusBefore == tooth.sinusAfter) {
      continue;
    }
    const int begin = forwardSteps(start, tooth.sinusBefore, size);
    const int tip = begin + forwardSteps(tooth.sinusBefore, tooth.tip, size);
    int end = forwardSteps(start, tooth.sinusAfter, size);
    if (end == 0 && last == size) end = size;
    if (begin < previousEnd || tip > end || begin >= end || end > last) continue;
    spans.push_back({begin, end});
    previousEnd = end;
  }
  return spans;
}

OutlineStretch stretchOf(int start, int begin, int end, int size) {
  return {(start + begin) % size, end - begin + 1};
}

}  // namespace

bool hasPetiole(const LeafShape& shape) {
  const int size = static_cast<int>(shape.outline.size());
  return shape.petioleFrom && shape.petioleTo && onOutline(*shape.petioleFrom, size) &&
         onOutline(*shape.petioleTo, size) && *shape.petioleFrom != *shape.petioleTo;
}

LeafPolygon bladePolygon(const LeafShape& shape) {
  const int size = static_cast<int>(shape.outline.size());
  LeafPolygon blade;
  if (size == 0) return blade;
  if (!hasPetiole(shape)) {
    blade.stretches.push_back({0, size});
    blade.wholeLoop = true;
    return blade;
  }
  blade.stretches.push_back({*shape.petioleTo, forwardSteps(*shape.petioleTo, *shape.petioleFrom, size) + 1});
  return blade;
}

LeafPolygon petiolePolygon(const LeafShape& shape) {
  LeafPolygon petiole;
  if (!hasPetiole(shape)) return petiole;
  const int size = static_cast<int>(shape.outline.size());
  petiole.stretches.push_back({*shape.petioleFrom, forwardSteps(*shape.petioleFrom, *shape.petioleTo, size) + 1});
  return petiole;
}

LeafPolygon internalBladePolygon(const LeafShape& shape) {
  const int size = static_cast<int>(shape.outline.size());
  if (size == 0) return {};
  const bool loop = !hasPetiole(shape);
  // A whole loop starts at the first tooth, so that no tooth runs across the start.
  const int start = !loop ? *shape.petioleTo
                          : shape.teeth.empty() || !onOutline(shape.teeth.front().sinusBefore, size)
                                ? 0
                                : shape.teeth.front().sinusBefore;
  const int last = loop ? size : forwardSteps(start, *shape.petioleFrom, size);
  const std::vector<Span> spans = keptSpans(shape, start, last);
  if (spans.empty()) return bladePolygon(shape);

  LeafPolygon internal;
  int from = 0;
  for (const Span& span : spans) {
    internal.stretches.push_back(stretchOf(start, from, span.begin, size));
    from = span.end;
  }
  if (!loop) {
    internal.stretches.push_back(stretchOf(start, from, last, size));
  } else {
    // The stretch after the last tooth runs on round the start to the first tooth's sinus.
    internal.stretches.front() = stretchOf(start, from, size + spans.front().begin, size);
  }
  return internal;
}

std::vector<cv::Point2d> polygonPoints(const LeafPolygon& polygon, const std::vector<cv::Point2d>& points) {
  std::vector<cv::Point2d> out;
  const int size = static_cast<int>(points.size());
  for (const OutlineStretch& stretch : polygon.stretches)
    for (int k = 0; k < stretch.count; ++k) out.push_back(points[(stretch.first + k) % size]);
  return out;
}

double polygonArea(const LeafPolygon& polygon, const std::vector<cv::Point2d>& outline) {
  return 0.5 * std::abs(twiceSignedArea(polygonPoints(polygon, outline)));
}

}  // namespace leafmargin
