#include "measure/symmetry.h"

#include <algorithm>
#include <utility>

#include "geometry/angles.h"
#include "geometry/perpendicular_foot.h"

namespace leafmargin {
namespace {

constexpr uchar kSet = 255;
constexpr uchar kClear = 0;
// Length of the segment that carries the perpendicular's direction in pass 2.
constexpr double kFootCarrierLength = 1000.0;

// The first row holding a set pixel and the first column holding one, in picture positions;
// (0, 0) for a mask without any.
struct TopLeft {
  int top = 0;
  int left = 0;
};

TopLeft firstSetRowAndColumn(const WindowedMask& mask) {
  TopLeft corner;
  if (mask.empty()) return corner;
  const cv::Mat& m = mask.pixels;
  int top = -1, left = m.cols;
  for (int row = 0; row < m.rows; ++row) {
    const uchar* p = m.ptr<uchar>(row);
    for (int col = 0; col < left; ++col) {
      if (p[col] != kSet) continue;
      if (top < 0) top = row;
      left = col;
      break;
    }
  }
  if (top < 0) return corner;
  return {mask.origin.y + top, mask.origin.x + left};
}

template <typename Visit>
void forEachSetPixel(const WindowedMask& mask, Visit visit) {
  if (mask.empty()) return;
  for (int row = 0; row < mask.pixels.rows; ++row) {
    const uchar* p = mask.pixels.ptr<uchar>(row);
    for (int col = 0; col < mask.pixels.cols; ++col)
      if (p[col] == kSet) visit(mask.origin.x + col, mask.origin.y + row);
  }
}

int countSet(const WindowedMask& mask) {
  int count = 0;
  forEachSetPixel(mask, [&count](int, int) { ++count; });
  return count;
}

bool validPosition(const std::vector<cv::Point>& outline, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < outline.size();
}

// The polygon outline[from], ..., outline[to] (none when from > to), closed through foot.
std::vector<cv::Point> halfPolygon(const std::vector<cv::Point>& outline, int from, int to,
                                   cv::Point foot) {
  std::vector<cv::Point> polygon;
  if (from <= to) polygon.assign(outline.begin() + from, outline.begin() + to + 1);
  polygon.push_back(foot);
  return polygon;
}

MaybeFailure writeAlignedHalves(const AlignedHalves& halves, cv::Size imageSize,
                                const RunOutput& out) {
  if (!out.writeImages) return std::nullopt;
  if (MaybeFailure failure = out.writeImage("gauche.jpg", toFullSize(halves.gauche, imageSize)))
    return failure;
  return out.writeImage("droite.jpg", toFullSize(halves.droite, imageSize));
}

// Steps up to the mirroring: fill, turn about the tip until the axis is vertical, mirror the
// right half.
AlignedHalves alignedHalves(const std::vector<cv::Point>& leafOutline, int tipIndex,
                            int sinusBeforeIndex, int sinusAfterIndex, int pass,
                            cv::Size imageSize) {
  if (!validPosition(leafOutline, tipIndex) || !validPosition(leafOutline, sinusBeforeIndex) ||
      !validPosition(leafOutline, sinusAfterIndex))
    return {};
  const cv::Point tip = leafOutline[tipIndex];
  const Segment base(leafOutline[sinusBeforeIndex], leafOutline[sinusAfterIndex]);
  cv::Point foot;
  if (pass == 1) {
    foot = segmentMidpoint(base);
  } else {
    foot = perpendicularFoot(tip, base, kFootCarrierLength);
  }
  const double turn = radToDeg(segmentAngle(Segment(foot, tip))) + 90.0;

  const std::vector<cv::Point> left = halfPolygon(leafOutline, sinusBeforeIndex, tipIndex, foot);
  const std::vector<cv::Point> right = halfPolygon(leafOutline, tipIndex, sinusAfterIndex, foot);
  AlignedHalves halves;
  halves.gauche = rotateMask(fillPolygon(left, imageSize), tip, turn, imageSize);
  halves.droite =
      mirrorMask(rotateMask(fillPolygon(right, imageSize), tip, turn, imageSize), imageSize);
  return halves;
}

// Aligns the top-most rows and left-most columns of the halves and counts.
HalfComparison compareHalves(AlignedHalves halves, cv::Size imageSize) {
  HalfComparison c;
  const TopLeft l = firstSetRowAndColumn(halves.gauche);
  const TopLeft r = firstSetRowAndColumn(halves.droite);
  c.nbGauche = countSet(halves.gauche);
  c.nbDroite = countSet(halves.droite);

  // Left position (x, y) faces right position (x - dx, y - dy). The scan covers the left
  // positions at or beyond the left half's corner and skips right positions outside the
  // picture. Only set pixels can count, so each half's set pixels are visited: a set right
  // pixel faces a left position at or beyond the left corner (it lies at or beyond its own
  // corner), so only the picture's far borders limit it.
  const int dy = l.top - r.top, dx = l.left - r.left;
  const int rows = imageSize.height, cols = imageSize.width;
  if (l.top < rows) {
    forEachSetPixel(halves.gauche, [&](int x, int y) {
      const int xr = x - dx, yr = y - dy;
      if (xr < 0 || yr < 0 || xr >= cols || yr >= rows) return;
      if (halves.droite.at(xr, yr) == kClear) ++c.enPlusAGauche;
    });
    forEachSetPixel(halves.droite, [&](int x, int y) {
      const int xl = x + dx, yl = y + dy;
      if (xl >= cols || yl >= rows) return;
      if (halves.gauche.at(xl, yl) == kClear) ++c.enPlusADroite;
    });
  }

  const int white = c.nbGauche + c.nbDroite;
  c.symmetry = static_cast<int>(white - c.enPlusAGauche - c.enPlusADroite) * 100.0 /
               static_cast<double>(white);
  c.halves = std::move(halves);
  return c;
}

}  // namespace

HalfComparison symmetryIndex(const std::vector<cv::Point>& leafOutline, int tipIndex,
                             int sinusBeforeIndex, int sinusAfterIndex, int pass,
                             cv::Size imageSize) {
  return compareHalves(
      alignedHalves(leafOutline, tipIndex, sinusBeforeIndex, sinusAfterIndex, pass, imageSize),
      imageSize);
}

SymmetryIndices measureSymmetries(const std::vector<cv::Point>& leafOutline,
                                  const std::vector<MeasuredTooth>& teeth, cv::Size imageSize,
                                  const RunOutput& out) {
  SymmetryIndices indices;
  for (const MeasuredTooth& tooth : teeth) {
    ToothSymmetry& index = indices.teeth.emplace_back();
    for (int pass = 1; pass <= 2; ++pass) {
      const HalfComparison c = symmetryIndex(leafOutline, tooth.tip, tooth.sinusBefore,
                                             tooth.sinusAfter, pass, imageSize);
      if (tooth.rank == 1) {
        // Both passes write the pair under the same names: only pass 2's survives.
        if (pass == 2) {
          if ((indices.failure = writeAlignedHalves(c.halves, imageSize, out))) return indices;
        }
        out.trace << "enPlusAGauche" << c.enPlusAGauche << "enPlusADroite" << c.enPlusADroite
                  << "nbGauche+nbDroite" << c.nbGauche + c.nbDroite << std::endl;
      }
      (pass == 1 ? index.centre : index.perpendicular) = c.symmetry;
    }
  }
  return indices;
}

}  // namespace leafmargin
