// The ground of a scene (paper, graph paper, a dark cloth) and the dust lying on it.
#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leafgen/scene_painting.h"

namespace leafmargin::leafgen {

namespace {

// How much of each pixel along one axis the grid's fine and bold lines cover, and how much of it
// lies within the grid's extent (for the lines across).
struct GridProfile {
  std::vector<float> fine, bold, within;
};

GridProfile gridProfile(int pixels, double extentMm, const Ground& ground, double k) {
  GridProfile profile{std::vector<float>(pixels, 0.f), std::vector<float>(pixels, 0.f), std::vector<float>(pixels, 0.f)};
  // Whole centimetres of grid, centred on the page.
  const int lines = static_cast<int>(std::floor((extentMm - 2.0 * ground.inset) / 10.0)) * 10;
  if (lines <= 0) return profile;
  const double start = 0.5 * (extentMm - lines);
  // Adds the share of pixels that [from, to] (mm) covers; pixel p spans [p, p + 1] / k mm.
  auto cover = [&](std::vector<float>& into, double from, double to) {
    const int first = std::max(0, static_cast<int>(std::floor(from * k)));
    const int last = std::min(pixels - 1, static_cast<int>(std::floor(to * k)));
    for (int p = first; p <= last; ++p) {
      const double overlap = std::min(to, (p + 1) / k) - std::max(from, p / k);
      into[p] = std::min(1.f, into[p] + static_cast<float>(std::max(0.0, overlap) * k));
    }
  };
  for (int i = 0; i <= lines; ++i) {
    const bool bold = i % 10 == 0;
    const double half = 0.5 * (bold ? ground.boldWidth : ground.fineWidth);
    cover(bold ? profile.bold : profile.fine, start + i - half, start + i + half);
  }
  cover(profile.within, start - 0.5 * ground.boldWidth, start + lines + 0.5 * ground.boldWidth);
  return profile;
}

}  // namespace

void paintGround(cv::Mat& picture, const Scene& scene) {
  const Ground& ground = scene.ground;
  picture.setTo(ground.colour);
  if (ground.kind != GroundKind::GraphPaper) return;
  const double k = pixelsPerMm(scene);
  const GridProfile across = gridProfile(picture.cols, scene.page.width, ground, k);
  const GridProfile down = gridProfile(picture.rows, scene.page.height, ground, k);
  const cv::Vec3f paper(ground.colour[0], ground.colour[1], ground.colour[2]);
  const cv::Vec3f bold(ground.ink[0], ground.ink[1], ground.ink[2]);
  const cv::Vec3f fine = paper + 0.55f * (bold - paper);  // the fine lines are printed paler
  for (int y = 0; y < picture.rows; ++y) {
    auto* row = picture.ptr<cv::Vec3b>(y);
    for (int x = 0; x < picture.cols; ++x) {
      // A vertical line covers the pixel where its column does and the row is within the grid.
      const float f = 1.f - (1.f - across.fine[x] * down.within[y]) * (1.f - down.fine[y] * across.within[x]);
      const float b = 1.f - (1.f - across.bold[x] * down.within[y]) * (1.f - down.bold[y] * across.within[x]);
      if (f == 0.f && b == 0.f) continue;
      cv::Vec3f c = paper + f * (fine - paper);
      c += b * (bold - c);
      row[x] = cv::Vec3b(cv::saturate_cast<uchar>(c[0]), cv::saturate_cast<uchar>(c[1]), cv::saturate_cast<uchar>(c[2]));
    }
  }
}

void paintDust(cv::Mat& picture, const Scene& scene, const std::vector<cv::Rect2d>& keepOff, unsigned seed) {
  cv::RNG rng(seed);
  const double k = pixelsPerMm(scene);
  const bool dark = scene.ground.kind == GroundKind::Dark;
  // A place on the page away from the leaves, or none after a few tries.
  auto place = [&](double clearance, cv::Point2d& at) {
    for (int attempt = 0; attempt < 30; ++attempt) {
      at = {rng.uniform(0.0, scene.page.width), rng.uniform(0.0, scene.page.height)};
      const bool clear = std::none_of(keepOff.begin(), keepOff.end(), [&](const cv::Rect2d& r) {
        return at.x > r.x - clearance && at.x < r.x + r.width + clearance && at.y > r.y - clearance &&
               at.y < r.y + r.height + clearance;
      });
      if (clear) return true;
    }
    return false;
  };
  auto shade = [&](int lo, int hi) {
    const double v = rng.uniform(lo, hi);
    return cv::Scalar(v, v, v);
  };
  for (int i = 0; i < scene.specks; ++i) {
    cv::Point2d at;
    if (!place(1.5, at)) continue;
    const double u = rng.uniform(0.0, 1.0);
    const double radius = (0.03 + 0.27 * u * u) * k;
    cv::circle(picture, fixedPoint(toPicture(scene, at)), static_cast<int>(std::lround(radius * (1 << kDrawShift))),
               dark ? shade(150, 230) : shade(30, 110), cv::FILLED, cv::LINE_AA, kDrawShift);
  }
  for (int i = 0; i < scene.hairs; ++i) {
    cv::Point2d at;
    if (!place(6.0, at)) continue;
    std::vector<cv::Point> fibre{fixedPoint(toPicture(scene, at))};
    double heading = rng.uniform(0.0, 2.0 * M_PI);
    for (int step = 0; step < 10; ++step) {
      heading += rng.uniform(-0.5, 0.5);
      at += rng.uniform(0.25, 0.5) * cv::Point2d(std::cos(heading), std::sin(heading));
      fibre.push_back(fixedPoint(toPicture(scene, at)));
    }
    cv::polylines(picture, std::vector<std::vector<cv::Point>>{fibre}, false, dark ? shade(120, 180) : shade(60, 120),
                  std::max(1, static_cast<int>(std::lround(0.04 * k))), cv::LINE_AA, kDrawShift);
  }
}

}  // namespace leafmargin::leafgen
