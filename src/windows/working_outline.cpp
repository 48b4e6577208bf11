#include "windows/working_outline.h"

#include <algorithm>
#include <cmath>

namespace leafmargin {

namespace {

constexpr int kFrameMargin = 64;      // working pixels round the outline
constexpr double kSampleStep = 0.45;  // working pixels between samples of the spline

cv::Point2d catmullRom(const cv::Point2d& p0, const cv::Point2d& p1, const cv::Point2d& p2,
                       const cv::Point2d& p3, double t) {
  const double t2 = t * t, t3 = t2 * t;
  return 0.5 * ((2.0 * p1) + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2 +
                (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);
}

}  // namespace

std::vector<cv::Point2d> catmullRomLoop(const std::vector<cv::Point2d>& polygon, double step) {
  const std::size_t n = polygon.size();
  std::vector<cv::Point2d> samples;
  if (n < 3) return polygon;
  for (std::size_t i = 0; i < n; ++i) {
    const cv::Point2d& p0 = polygon[(i + n - 1) % n];
    const cv::Point2d& p1 = polygon[i];
    const cv::Point2d& p2 = polygon[(i + 1) % n];
    const cv::Point2d& p3 = polygon[(i + 2) % n];
    const int pieces = std::max(1, static_cast<int>(std::ceil(cv::norm(p2 - p1) / step)));
    for (int k = 0; k < pieces; ++k) samples.push_back(catmullRom(p0, p1, p2, p3, double(k) / pieces));
  }
  return samples;
}

WorkingOutline toWorkingResolution(const SmoothOutline& smooth, double scale) {
  WorkingOutline working;
  working.scale = scale;
  if (smooth.points.size() < 3) return working;
  cv::Point2d low(1e300, 1e300), high(-1e300, -1e300);
  for (const cv::Point2d& p : smooth.points) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y)};
  }
  working.origin = low - cv::Point2d(kFrameMargin, kFrameMargin) / scale;
  working.size = cv::Size(static_cast<int>(std::ceil((high.x - low.x) * scale)) + 2 * kFrameMargin,
                          static_cast<int>(std::ceil((high.y - low.y) * scale)) + 2 * kFrameMargin);

  std::vector<cv::Point2d> scaled;
  scaled.reserve(smooth.points.size());
  for (const cv::Point2d& p : smooth.points) scaled.push_back(working.fromScan(p));
  // Which smooth point each sample comes from, for the border flags.
  const std::vector<cv::Point2d> samples = catmullRomLoop(scaled, kSampleStep);
  std::vector<std::size_t> from;
  from.reserve(samples.size());
  for (std::size_t i = 0, s = 0; i < scaled.size(); ++i) {
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(cv::norm(scaled[(i + 1) % scaled.size()] - scaled[i]) / kSampleStep)));
    for (int k = 0; k < pieces && s < samples.size(); ++k, ++s) from.push_back(i);
  }

  std::vector<cv::Point>& chain = working.outline.points;
  for (std::size_t s = 0; s < samples.size(); ++s) {
    const cv::Point p(static_cast<int>(std::lround(samples[s].x)), static_cast<int>(std::lround(samples[s].y)));
    if (!chain.empty() && chain.back() == p) continue;
    // Samples lie at most half a pixel apart, so a rounded sample is the last one or touches it,
    // but a diagonal step may come as two: keep the chain free of such corners.
    if (chain.size() >= 2 && std::abs(p.x - chain[chain.size() - 2].x) <= 1 &&
        std::abs(p.y - chain[chain.size() - 2].y) <= 1) {
      chain.back() = p;
      working.onBorder.back() = smooth.onBorder[from[s]];
      continue;
    }
    chain.push_back(p);
    working.onBorder.push_back(smooth.onBorder[from[s]]);
  }
  while (chain.size() > 2 && (chain.back() == chain.front() ||
                              (std::abs(chain.back().x - chain[1].x) <= 1 &&
                               std::abs(chain.back().y - chain[1].y) <= 1))) {
    if (chain.back() == chain.front()) {
      chain.pop_back();
      working.onBorder.pop_back();
    } else {
      chain.erase(chain.begin());
      working.onBorder.erase(working.onBorder.begin());
    }
  }
  working.outline = closedOutlineOf(std::move(chain));
  return working;
}

}  // namespace leafmargin
