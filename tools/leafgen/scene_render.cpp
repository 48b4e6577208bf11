#include "leafgen/scene_render.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

#include "leafgen/scene_painting.h"

namespace leafmargin::leafgen {

namespace {

constexpr int kSupersample = 8;  // a leaf's edge is sampled 8 x 8 times per pixel
constexpr int kNoiseRows = 256;  // rows of noise drawn at a time

cv::Rect boundingBox(const Polygon& polygon) {
  cv::Point2d low = polygon[0], high = polygon[0];
  for (const cv::Point2d& p : polygon) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  return cv::Rect(cv::Point(static_cast<int>(std::floor(low.x)) - 2, static_cast<int>(std::floor(low.y)) - 2),
                  cv::Point(static_cast<int>(std::ceil(high.x)) + 3, static_cast<int>(std::ceil(high.y)) + 3));
}

cv::Scalar mix(const cv::Scalar& a, const cv::Scalar& b, double share) { return a + (b - a) * share; }

// Half-width of the blade between its sinuses at x (leaf frame): the internal side, whose x grows
// from the base to the apex.
double halfWidthAt(const LeafOutline& outline, double x) {
  const Polygon& side = outline.rightInternal;
  const auto next = std::lower_bound(side.begin(), side.end(), x, [](cv::Point2d p, double v) { return p.x < v; });
  if (next == side.begin()) return side.front().y;
  if (next == side.end()) return side.back().y;
  const cv::Point2d a = *(next - 1), b = *next;
  return a.y + (x - a.x) / (b.x - a.x) * (b.y - a.y);
}

// The midrib and a few secondary veins on each side (leaf frame), each ending well inside the
// blade's sinus line so that no vein ever reaches the margin.
std::vector<Polygon> veinCourses(const LeafOutline& outline, const LeafShape& shape, double rib) {
  const double from = outline.insertion, length = shape.bladeLength;
  double to = 0.5 * length;
  while (to < length && halfWidthAt(outline, to) > 6.0 * rib) to += 0.002 * length;
  std::vector<Polygon> courses{{{from, 0.0}, {to, 0.0}}};
  const int pairs = std::clamp(shape.teethPerSide / 2, 4, 8);
  for (int i = 0; i < pairs; ++i) {
    const double x0 = from + (0.08 + 0.72 * (i + 0.5) / pairs) * (length - from);
    const double x1 = std::min(x0 + 0.6 * halfWidthAt(outline, x0), 0.93 * length);
    const double y1 = 0.72 * halfWidthAt(outline, x1);
    const cv::Point2d start(x0, 0.0), bend(x0 + 0.3 * (x1 - x0), 0.55 * y1), end(x1, y1);
    for (int side : {1, -1}) {
      Polygon course;
      for (int s = 0; s <= 12; ++s) {
        const double t = s / 12.0;
        const cv::Point2d p = (1 - t) * (1 - t) * start + 2 * t * (1 - t) * bend + t * t * end;
        course.emplace_back(p.x, side * p.y);
      }
      courses.push_back(course);
    }
  }
  return courses;
}

// Smooth brightness variations of the lamina: two octaves of noise, cells of the given sizes
// (pixels).
cv::Mat laminaShade(cv::Size size, double coarse, double fine, cv::RNG& rng) {
  cv::Mat shade = cv::Mat::zeros(size, CV_32F);
  for (const auto& [cell, amplitude] : {std::pair{coarse, 5.0}, std::pair{fine, 3.0}}) {
    const cv::Size cells(std::max(2, static_cast<int>(size.width / std::max(cell, 1.0)) + 2),
                         std::max(2, static_cast<int>(size.height / std::max(cell, 1.0)) + 2));
    cv::Mat grid(cells, CV_32F), smooth;
    rng.fill(grid, cv::RNG::NORMAL, 0.0, amplitude);
    cv::resize(grid, smooth, size, 0, 0, cv::INTER_CUBIC);
    shade += smooth;
  }
  return shade;
}

void addNoise(cv::Mat& picture, double sigma, unsigned seed) {
  for (int top = 0; top < picture.rows; top += kNoiseRows) {
    cv::Mat strip = picture.rowRange(top, std::min(picture.rows, top + kNoiseRows));
    cv::Mat noise(strip.size(), CV_16SC3);
    cv::RNG rng(seed * 2654435761u + static_cast<unsigned>(top));
    rng.fill(noise, cv::RNG::NORMAL, 0.0, sigma);
    cv::add(strip, noise, strip, cv::noArray(), CV_8U);
  }
}

}  // namespace

cv::Mat polygonCoverage(const Polygon& polygon, const cv::Rect& box) {
  // Each pixel is sampled on an S x S grid of points (sample j of a pixel's row or column at
  // (j + 0.5) / S - 0.5 from its centre); a sample is inside by the even-odd rule, edges
  // holding their lower end and not their upper one, so that no sample counts twice.
  struct Edge {
    double low, high, xAtLow, slope;  // x = xAtLow + (y - low) * slope for low <= y < high
  };
  std::vector<Edge> edges;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    cv::Point2d a = polygon[i], b = polygon[(i + 1) % polygon.size()];
    if (a.y == b.y) continue;
    if (a.y > b.y) std::swap(a, b);
    edges.push_back({a.y, b.y, a.x, (b.x - a.x) / (b.y - a.y)});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& u, const Edge& v) { return u.low < v.low; });

  constexpr int S = kSupersample;
  const int samplesPerRow = box.width * S;
  cv::Mat cover(box.size(), CV_8U);
  std::vector<int> count(box.width);
  std::vector<const Edge*> active;
  std::vector<double> crossings;
  std::size_t next = 0;
  auto sampleAtOrRightOf = [&](double x) {
    return std::clamp(static_cast<int>(std::ceil((x - box.x + 0.5) * S - 0.5)), 0, samplesPerRow);
  };
  for (int row = 0; row < box.height; ++row) {
    std::fill(count.begin(), count.end(), 0);
    for (int sub = 0; sub < S; ++sub) {
      const double y = box.y + row + (sub + 0.5) / S - 0.5;
      while (next < edges.size() && edges[next].low <= y) active.push_back(&edges[next++]);
      active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->high <= y; }),
                   active.end());
      crossings.clear();
      for (const Edge* e : active) crossings.push_back(e->xAtLow + (y - e->low) * e->slope);
      std::sort(crossings.begin(), crossings.end());
      for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
        const int from = sampleAtOrRightOf(crossings[k]), to = sampleAtOrRightOf(crossings[k + 1]);
        if (from >= to) continue;
        const int first = from / S, last = to / S;
        if (first == last) {
          count[first] += to - from;
          continue;
        }
        count[first] += S - from % S;
        for (int p = first + 1; p < last; ++p) count[p] += S;
        if (last < box.width) count[last] += to % S;
      }
    }
    uchar* out = cover.ptr<uchar>(row);
    for (int x = 0; x < box.width; ++x) out[x] = static_cast<uchar>((count[x] * 255 + S * S / 2) / (S * S));
  }
  return cover;
}

void paintLeaf(cv::Mat& picture, const Scene& scene, const SceneLeaf& leaf, unsigned seed) {
  const double k = pixelsPerMm(scene);
  const LeafOutline outline = leafOutline(leaf.shape);
  auto toPixels = [&](const Polygon& inLeaf) {
    Polygon out;
    for (const cv::Point2d& p : onPage(leaf, inLeaf)) out.push_back(toPicture(scene, p));
    return out;
  };
  const Polygon polygon = toPixels(outline.leaf());
  const cv::Rect box = boundingBox(polygon) & cv::Rect(0, 0, picture.cols, picture.rows);
  if (box.empty()) return;

  cv::RNG rng(seed);
  const bool dark = scene.ground.kind == GroundKind::Dark;
  cv::Scalar lamina = dark ? cv::Scalar(90, 175, 120) : cv::Scalar(72, 122, 88);
  if (leaf.colour) lamina = *leaf.colour;
  else
    for (int ch = 0; ch < 3; ++ch) lamina[ch] += rng.uniform(-8.0, 8.0);
  const cv::Scalar vein = mix(lamina, dark ? cv::Scalar(190, 225, 215) : cv::Scalar(150, 185, 190), 0.4);
  const cv::Scalar stalk = mix(lamina, dark ? cv::Scalar(100, 200, 200) : cv::Scalar(70, 95, 125), 0.5);

  // Veins and the petiole's colour, drawn in the box; outside the outline they are masked off.
  const double rib = std::clamp(0.011 * leaf.shape.bladeWidth, 0.15, 0.8);
  cv::Mat veins = cv::Mat::zeros(box.size(), CV_8U), petiole = cv::Mat::zeros(box.size(), CV_8U);
  auto inBox = [&](const Polygon& inLeaf) {
    std::vector<cv::Point> out;
    for (const cv::Point2d& p : toPixels(inLeaf)) out.push_back(fixedPoint(p - cv::Point2d(box.tl())));
    return out;
  };
  const std::vector<Polygon> courses = veinCourses(outline, leaf.shape, rib);
  for (std::size_t i = 0; i < courses.size(); ++i)
    cv::polylines(veins, std::vector<std::vector<cv::Point>>{inBox(courses[i])}, false, 255,
                  std::max(1, static_cast<int>(std::lround((i == 0 ? rib : 0.5 * rib) * k))), cv::LINE_AA, kDrawShift);
  if (outline.hasPetiole()) {
    const double w = 0.5 * leaf.shape.petioleWidth + 1.0, end = -leaf.shape.petioleLength - 1.0;
    const Polygon stalkArea{{outline.insertion, -w}, {end, -w}, {end, w}, {outline.insertion, w}};
    cv::fillPoly(petiole, std::vector<std::vector<cv::Point>>{inBox(stalkArea)}, 255, cv::LINE_AA, kDrawShift);
  }
  const cv::Mat shade = laminaShade(box.size(), 1.6 * k, 0.35 * k, rng);
  const cv::Mat cover = polygonCoverage(polygon, box);

  cv::Mat region = picture(box);
  for (int y = 0; y < box.height; ++y) {
    const uchar* c = cover.ptr<uchar>(y);
    const uchar* v = veins.ptr<uchar>(y);
    const uchar* s = petiole.ptr<uchar>(y);
    const float* light = shade.ptr<float>(y);
    auto* p = region.ptr<cv::Vec3b>(y);
    for (int x = 0; x < box.width; ++x) {
      if (c[x] == 0) continue;
      const double a = c[x] / 255.0, veinShare = 0.8 * v[x] / 255.0, stalkShare = s[x] / 255.0;
      for (int ch = 0; ch < 3; ++ch) {
        double colour = lamina[ch] + light[x] * (ch == 1 ? 1.2 : 1.0);
        colour += (vein[ch] - colour) * veinShare;
        colour += (stalk[ch] - colour) * stalkShare;
        p[x][ch] = cv::saturate_cast<uchar>(p[x][ch] + (colour - p[x][ch]) * a);
      }
    }
  }
}

cv::Mat renderScene(const Scene& scene) {
  if (!(scene.dpi > 0.0) || !(scene.page.width > 0.0) || !(scene.page.height > 0.0) || scene.blur < 0.0 ||
      scene.noise < 0.0 || scene.jpegQuality < 0 || scene.jpegQuality > 100)
    throw std::invalid_argument("scene out of range");
  const cv::Size size = pictureSize(scene);
  if (size.width < 1 || size.height < 1) throw std::invalid_argument("the page is smaller than a pixel");
  cv::Mat picture(size, CV_8UC3);
  paintGround(picture, scene);
  for (const SceneObject& object : scene.objects) paintObject(picture, scene, object);
  std::vector<cv::Rect2d> leafBoxes;
  for (std::size_t i = 0; i < scene.leaves.size(); ++i) {
    const SceneLeaf& leaf = scene.leaves[i];
    paintLeaf(picture, scene, leaf, scene.seed * 7919u + 17u * static_cast<unsigned>(i + 1));
    const Polygon onThePage = onPage(leaf, leafOutline(leaf.shape).leaf());
    std::vector<cv::Point2f> corners(onThePage.begin(), onThePage.end());
    leafBoxes.push_back(cv::boundingRect(corners));
  }
  paintDust(picture, scene, leafBoxes, scene.seed * 31u + 5u);
  if (scene.blur > 0.0) cv::GaussianBlur(picture, picture, cv::Size(), scene.blur);
  if (scene.noise > 0.0) addNoise(picture, scene.noise, scene.seed);
  return picture;
}

GeneratedScene generateScene(const Scene& scene) {
  GeneratedScene generated{renderScene(scene), {}, sceneTruth(scene)};
  if (scene.jpegQuality > 0) {
    cv::imencode(".jpg", generated.picture, generated.file, {cv::IMWRITE_JPEG_QUALITY, scene.jpegQuality});
    generated.picture = cv::imdecode(generated.file, cv::IMREAD_COLOR);
  } else {
    cv::imencode(".png", generated.picture, generated.file);
  }
  return generated;
}

}  // namespace leafmargin::leafgen
