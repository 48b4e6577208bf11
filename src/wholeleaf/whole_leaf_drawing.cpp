#include "wholeleaf/whole_leaf_drawing.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <string>

#include "report/drawn_picture.h"

namespace leafmargin {

namespace {

constexpr int kLargestSide = 2000;
constexpr int kBandHeight = 84;  // two rows: the legend, then the scale bar
constexpr int kMinWidth = 1000;  // room for the legend
constexpr double kFontScale = 0.45;
const cv::Scalar kMeasuredColours[2] = {cv::Scalar(255, 140, 0), cv::Scalar(0, 200, 255)};
const cv::Scalar kRejectedColour(0, 0, 230);
const cv::Scalar kBorderColour(150, 150, 150);
const cv::Scalar kMeasuredTooth(0, 200, 0);
const cv::Scalar kFoundTooth(0, 230, 255);
const cv::Scalar kInternalColour(200, 0, 200);
const cv::Scalar kInk(0, 0, 0);
const cv::Scalar kPaper(255, 255, 255);

bool overlaps(const cv::Rect& a, const std::vector<cv::Rect>& taken) {
  return std::any_of(taken.begin(), taken.end(), [&](const cv::Rect& t) { return (a & t).area() > 0; });
}

void drawLegend(cv::Mat& canvas, int top, double pixelsPerMm, int line) {
  const int y = top + kBandHeight / 4;
  int x = 12;
  auto text = [&](const std::string& words) {
    cv::putText(canvas, words, {x, y + 5}, cv::FONT_HERSHEY_SIMPLEX, kFontScale, kInk, 1, cv::LINE_AA);
    int baseline = 0;
    x += cv::getTextSize(words, cv::FONT_HERSHEY_SIMPLEX, kFontScale, 1, &baseline).width + 16;
  };
  auto stroke = [&](const cv::Scalar& colour) {
    cv::line(canvas, {x, y}, {x + 22, y}, colour, line + 1, cv::LINE_AA);
    x += 28;
  };
  auto ring = [&](const cv::Scalar& colour) {
    cv::circle(canvas, {x + 7, y}, 6, colour, 2, cv::LINE_AA);
    x += 20;
  };
  stroke(kMeasuredColours[0]);
  stroke(kMeasuredColours[1]);
  text("window measured");
  stroke(kRejectedColour);
  text("rejected");
  stroke(kBorderColour);
  text("picture border");
  ring(kMeasuredTooth);
  text("tooth measured");
  ring(kFoundTooth);
  text("found");
  stroke(kInternalColour);
  text("teeth cut off");
  stroke(kInk);
  text("petiole cut");
  const int barRow = top + 3 * kBandHeight / 4 + 4;
  const double longest = std::min(canvas.cols / 2 - 14, 400);
  const int length = static_cast<int>(std::lround(scaleBarMillimetres(pixelsPerMm, longest) * pixelsPerMm));
  drawScaleBar(canvas, {14 + length, barRow}, pixelsPerMm, longest, kFontScale);
}

}  // namespace

std::vector<cv::Point> placeLabels(const std::vector<cv::Point>& anchors,
                                   const std::vector<cv::Size>& sizes,
                                   const std::vector<cv::Point2d>& awayFrom, int ring,
                                   cv::Rect bounds) {
  std::vector<cv::Rect> taken;
  for (const cv::Point& a : anchors) taken.emplace_back(a.x - ring, a.y - ring, 2 * ring + 1, 2 * ring + 1);
  std::vector<cv::Point> places;
  for (std::size_t k = 0; k < anchors.size(); ++k) {
    cv::Point2d out = cv::Point2d(anchors[k]) - awayFrom[k];
    const double length = std::hypot(out.x, out.y);
    out = length > 0 ? out / length : cv::Point2d(0, -1);
    const double base = ring + 0.5 * std::max(sizes[k].width, sizes[k].height) + 2;
    cv::Point found(-1, -1);
    // Outward first, then turned a little to either side, then farther out.
    for (double reach : {base, 1.6 * base, 2.4 * base, 3.4 * base}) {
      for (double turn : {0.0, 0.35, -0.35, 0.7, -0.7, 1.05, -1.05}) {
        const cv::Point2d d(out.x * std::cos(turn) - out.y * std::sin(turn),
                            out.x * std::sin(turn) + out.y * std::cos(turn));
        const cv::Point centre(static_cast<int>(std::lround(anchors[k].x + d.x * reach)),
                               static_cast<int>(std::lround(anchors[k].y + d.y * reach)));
        const cv::Rect box(centre.x - sizes[k].width / 2, centre.y - sizes[k].height / 2,
                           sizes[k].width, sizes[k].height);
        if ((box & bounds) != box || overlaps(box, taken)) continue;
        found = centre;
        taken.push_back(box);
        break;
      }
      if (found.x >= 0) break;
    }
    places.push_back(found);
  }
  return places;
}

cv::Mat drawWholeLeafOverview(const cv::Mat& scan, const std::vector<OverviewLeaf>& leaves,
                              double pixelsPerMm) {
  const ShrunkPicture shrunk = shrinkToFit(scan, kLargestSide);
  const cv::Mat& shown = shrunk.image;
  cv::Mat canvas(shown.rows + kBandHeight, std::max(shown.cols, kMinWidth), CV_8UC3, kPaper);
  shown.copyTo(canvas(cv::Rect(0, 0, shown.cols, shown.rows)));
  cv::Mat view = canvas(cv::Rect(0, 0, shown.cols, shown.rows));
  const int side = std::max(view.cols, view.rows);
  const int line = std::max(1, side / 900);
  const int ring = std::max(4, side / 300);

  int measured = 0;
  auto polyline = [&](const std::vector<cv::Point2d>& points, const cv::Scalar& colour, int width) {
    std::vector<cv::Point> drawn;
    for (const cv::Point2d& p : points) drawn.push_back(shrunk.toDrawn(p));
    if (drawn.size() >= 2) cv::polylines(view, drawn, false, colour, width, cv::LINE_AA);
  };
  for (const OverviewLeaf& leaf : leaves) {
    for (const OverviewStretch& stretch : leaf.stretches)
      polyline(stretch.points, stretch.measured ? kMeasuredColours[measured++ % 2] : kRejectedColour,
               stretch.measured ? line + 1 : line);
    for (const auto& border : leaf.border) polyline(border, kBorderColour, line + 1);
    if (leaf.internal.size() >= 3) {
      std::vector<cv::Point2d> closed = leaf.internal;
      closed.push_back(leaf.internal.front());
      polyline(closed, kInternalColour, 1);
    }
    if (leaf.petioleCut) polyline({(*leaf.petioleCut)[0], (*leaf.petioleCut)[1]}, kInk, line + 1);
  }
  // Every tooth of every leaf, then their numbers where there is room.
  std::vector<cv::Point> anchors;
  std::vector<cv::Size> sizes;
  std::vector<cv::Point2d> away;
  std::vector<std::string> texts;
  for (const OverviewLeaf& leaf : leaves) {
    const cv::Point centre = shrunk.toDrawn(leaf.centre);
    for (std::size_t k = 0; k < leaf.tips.size(); ++k) {
      const cv::Point tip = shrunk.toDrawn(leaf.tips[k].at);
      cv::circle(view, tip, ring, leaf.tips[k].measured ? kMeasuredTooth : kFoundTooth, line + 1, cv::LINE_AA);
      texts.push_back(std::to_string(k + 1));
      anchors.push_back(tip);
      sizes.push_back(numberLabelBox(texts.back(), {0, 0}, kFontScale).size());
      away.push_back(centre);
    }
  }
  const std::vector<cv::Point> places =
      placeLabels(anchors, sizes, away, ring, cv::Rect(0, 0, view.cols, view.rows));
  for (std::size_t k = 0; k < places.size(); ++k) {
    if (places[k].x < 0) continue;
    if (cv::norm(places[k] - anchors[k]) > ring + 0.5 * std::max(sizes[k].width, sizes[k].height) + 4)
      cv::line(view, anchors[k], places[k], kInk, 1, cv::LINE_AA);
  }
  for (std::size_t k = 0; k < places.size(); ++k)
    if (places[k].x >= 0) drawNumberLabel(view, texts[k], places[k], kFontScale);
  for (const OverviewLeaf& leaf : leaves)
    drawNumberLabel(view, "leaf " + std::to_string(leaf.number), shrunk.toDrawn(leaf.centre),
                    2.2 * kFontScale);
  drawLegend(canvas, shown.rows, pixelsPerMm * shrunk.scale, line);
  return canvas;
}

}  // namespace leafmargin
