// Leaves of known geometry as a scan's segmentation would hold them: a polygon in mm (an elliptic
// blade, saw teeth between sinuses on the ellipse, a straight petiole at the base) filled into a
// mask by pixel centres at a given resolution (at 600 dpi for finer scans, as leaves are
// segmented), traced as the half level of the blurred mask, and the drawn sinuses, tips and
// petiole ends found on the traced outline.
#pragma once

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <optional>
#include <vector>

#include "leaves/leaf_mask.h"
#include "leaves/smooth_outline.h"
#include "physiognomy/leaf_shape.h"

namespace leafmargin::testing {

struct LeafDrawing {
  double a = 25.0, b = 12.0;       // the blade's semi-axes, mm (the base at -a on the x axis)
  double turn = 0.3;               // radians
  double toothWidth = 0.0;         // mm along the ellipse, sinus to sinus; 0: entire
  double toothHeight = 0.0;        // mm outward at the middle of the tooth
  double toothedFrom = 0.15;       // share of the way round from the base where teeth begin ...
  double toothedTo = 0.85;         // ... and end
  double petioleWidth = 0.0;       // mm; 0: no petiole
  double petioleLength = 8.0;      // mm beyond the blade's base
};

// The drawn leaf in mm, as a polygon in the traced outline's direction (leaf on the left, y down).
struct DrawnLeaf {
  std::vector<cv::Point2d> polygon;
  std::vector<ToothSpan> teeth;            // vertex indices
  std::optional<int> petioleFrom, petioleTo;  // vertex indices
};

inline cv::Point2d turned(cv::Point2d p, double turn) {
  return {p.x * std::cos(turn) - p.y * std::sin(turn), p.x * std::sin(turn) + p.y * std::cos(turn)};
}

inline DrawnLeaf drawLeaf(const LeafDrawing& d) {
  // The ellipse by its angle t from the base (t = 0 at (-a, 0)), densely, with arc lengths.
  const int samples = 20000;
  std::vector<cv::Point2d> ellipse;
  std::vector<double> arc{0.0};
  for (int k = 0; k <= samples; ++k) {
    const double t = 2.0 * CV_PI * k / samples;
    ellipse.emplace_back(-d.a * std::cos(t), d.b * std::sin(t));
    if (k > 0) arc.push_back(arc.back() + cv::norm(ellipse[k] - ellipse[k - 1]));
  }
  const auto at = [&](double s) {
    const std::size_t k = std::min<std::size_t>(std::lower_bound(arc.begin(), arc.end(), s) - arc.begin(), samples);
    return ellipse[k];
  };
  const auto outward = [&](double s) {
    const cv::Point2d along = at(s + 0.01) - at(s - 0.01);
    cv::Point2d n(along.y, -along.x);
    return n / cv::norm(n) * (n.dot(at(s)) > 0 ? 1.0 : -1.0);
  };
  const double length = arc.back();
  // Where the petiole's sides meet the ellipse, as arc lengths from the base.
  const double half = d.petioleWidth / 2.0;
  const double meet = arc[static_cast<std::size_t>(std::asin(half / d.b) / (2.0 * CV_PI) * samples)];
  DrawnLeaf leaf;
  const double step = 0.05;  // mm between vertices on untoothed stretches
  double s = meet;
  const double toothFrom = d.toothedFrom * length, toothTo = d.toothedTo * length;
  const int teeth = d.toothWidth > 0.0 ? static_cast<int>((toothTo - toothFrom) / d.toothWidth) : 0;
  for (; s < toothFrom; s += step) leaf.polygon.push_back(at(s));
  for (int k = 0; k < teeth; ++k) {
    const double s0 = toothFrom + k * d.toothWidth;
    const int sinus = static_cast<int>(leaf.polygon.size());
    leaf.polygon.push_back(at(s0));
    leaf.polygon.push_back(at(s0 + d.toothWidth / 2) + d.toothHeight * outward(s0 + d.toothWidth / 2));
    leaf.teeth.push_back({sinus, sinus + 1, sinus + 2});
  }
  for (s = toothFrom + teeth * d.toothWidth; s < length - meet; s += step) leaf.polygon.push_back(at(s));
  if (half > 0.0) {
    const cv::Point2d end = at(length - meet);
    leaf.petioleFrom = static_cast<int>(leaf.polygon.size());
    leaf.polygon.push_back(end);
    leaf.polygon.emplace_back(-d.a - d.petioleLength, end.y);
    leaf.polygon.emplace_back(-d.a - d.petioleLength, -end.y);
    leaf.petioleTo = 0;  // the first vertex, at(meet)
  }
  if (twiceSignedArea(leaf.polygon) > 0.0) {  // turn the travel round: the leaf on the left
    const int n = static_cast<int>(leaf.polygon.size());
    std::reverse(leaf.polygon.begin(), leaf.polygon.end());
    for (ToothSpan& t : leaf.teeth) t = {n - 1 - t.sinusAfter, n - 1 - t.tip, n - 1 - t.sinusBefore};
    std::reverse(leaf.teeth.begin(), leaf.teeth.end());
    if (leaf.petioleFrom) {
      const int from = n - 1 - *leaf.petioleTo, to = n - 1 - *leaf.petioleFrom;
      leaf.petioleFrom = from;
      leaf.petioleTo = to;
    }
  }
  for (cv::Point2d& p : leaf.polygon) p = turned(p, d.turn);
  return leaf;
}

// 255 where a pixel's centre lies inside polygon (even-odd), 0 elsewhere.
inline cv::Mat maskByPixelCentres(const std::vector<cv::Point2d>& polygon, cv::Size size) {
  cv::Mat mask = cv::Mat::zeros(size, CV_8UC1);
  for (int y = 0; y < size.height; ++y) {
    std::vector<double> xs;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
      const cv::Point2d& p = polygon[k];
      const cv::Point2d& q = polygon[(k + 1) % polygon.size()];
      if ((p.y <= y) != (q.y <= y)) xs.push_back(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2)
      for (int x = std::max(0, static_cast<int>(std::ceil(xs[k]))); x <= std::min(size.width - 1, static_cast<int>(std::floor(xs[k + 1]))); ++x)
        mask.at<uchar>(y, x) = 255;
  }
  return mask;
}

struct TracedLeaf {
  LeafShape shape;                   // teeth and petiole ends at the outline points nearest the drawn ones
  std::vector<cv::Point2d> drawn;    // the drawn polygon in scan pixels
};

// The drawn leaf scanned at dpi with its centre at centre (mm from the picture's top left corner)
// in a picture of the given size (mm); the leaf may run off the picture.
inline TracedLeaf traceLeaf(const DrawnLeaf& leaf, double dpi, cv::Point2d centre, cv::Size2d pictureMm) {
  TracedLeaf traced;
  const double ppm = dpi / 25.4;
  for (const cv::Point2d& p : leaf.polygon) traced.drawn.push_back((p + centre) * ppm);
  const cv::Size scan(static_cast<int>(pictureMm.width * ppm), static_cast<int>(pictureMm.height * ppm));
  LeafMask mask;
  mask.box = cv::Rect(cv::Point(0, 0), scan);
  mask.scale = std::min(1.0, kFinestSegmentedPixelsPerMm / ppm);
  std::vector<cv::Point2d> inMask;
  for (const cv::Point2d& p : traced.drawn) inMask.push_back((p + cv::Point2d(0.5, 0.5)) * mask.scale - cv::Point2d(0.5, 0.5));
  mask.mask = maskByPixelCentres(inMask, cv::Size(static_cast<int>(std::lround(scan.width * mask.scale)),
                                                  static_cast<int>(std::lround(scan.height * mask.scale))));
  const SmoothOutline outline = smoothOutline(mask, scan);
  traced.shape.outline = outline.points;
  traced.shape.onBorder = outline.onBorder;
  traced.shape.pixelsPerMm = ppm;
  const auto nearest = [&](int vertex) {
    const cv::Point2d& p = traced.drawn[vertex];
    const auto closer = [&](const cv::Point2d& u, const cv::Point2d& v) { return cv::norm(u - p) < cv::norm(v - p); };
    return static_cast<int>(std::min_element(outline.points.begin(), outline.points.end(), closer) - outline.points.begin());
  };
  for (const ToothSpan& t : leaf.teeth) traced.shape.teeth.push_back({nearest(t.sinusBefore), nearest(t.tip), nearest(t.sinusAfter)});
  if (leaf.petioleFrom) traced.shape.petioleFrom = nearest(*leaf.petioleFrom), traced.shape.petioleTo = nearest(*leaf.petioleTo);
  return traced;
}

inline double polygonLength(const std::vector<cv::Point2d>& polygon) {
  double length = 0.0;
  for (std::size_t k = 0; k < polygon.size(); ++k) length += cv::norm(polygon[(k + 1) % polygon.size()] - polygon[k]);
  return length;
}

}  // namespace leafmargin::testing
