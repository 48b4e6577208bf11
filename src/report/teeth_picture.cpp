#include "report/teeth_picture.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <set>
#include <string>

#include "report/drawn_picture.h"

namespace leafmargin {

namespace {

// Colours (BGR). The notch keeps the colours of "drawing4.jpg".
const cv::Scalar kMarginColour(255, 255, 0);   // cyan
const cv::Scalar kTipColour(0, 0, 255);        // red
const cv::Scalar kSinusColour(0, 165, 255);    // orange
const cv::Scalar kDepthColour(255, 0, 255);    // magenta
const cv::Scalar kChordColour(0, 255, 255);    // yellow
const cv::Scalar kInk(0, 0, 0);
const cv::Scalar kPaper(255, 255, 255);

constexpr int kFont = cv::FONT_HERSHEY_SIMPLEX;
constexpr double kFontScale = 0.55;
constexpr int kMarkRadius = 5;
constexpr double kLabelReach = 18;  // from a tip to its number, in drawn pixels
constexpr int kBandHeight = 64;
constexpr int kMinWidth = 640;  // room for the legend

// From the analysed picture to the drawn one: undo the turn, then shrink.
struct Mapping {
  cv::Size given;
  bool turned;
  const ShrunkPicture& shrunk;
  cv::Point operator()(cv::Point p) const {
    if (turned) p = {given.width - 1 - p.x, given.height - 1 - p.y};
    return shrunk.toDrawn(p);
  }
};

bool within(const std::vector<cv::Point>& outline, int position) {
  return position >= 0 && position < static_cast<int>(outline.size());
}

// Where a tooth's number goes, in the analysed picture: beyond the tip on the side of the
// background, which lies below the margin there, across the line joining its two sinuses.
cv::Point labelPosition(cv::Point tip, cv::Point before, cv::Point after, double reach) {
  const cv::Point2d along = cv::Point2d(after) - cv::Point2d(before);
  cv::Point2d away(-along.y, along.x);
  const double length = std::hypot(away.x, away.y);
  away = length > 0 ? away / length : cv::Point2d(0, 1);
  if (away.y < 0) away = -away;
  return {static_cast<int>(std::lround(tip.x + away.x * reach)),
          static_cast<int>(std::lround(tip.y + away.y * reach))};
}

void drawLegend(cv::Mat& canvas, int top, double pixelsPerMm) {
  const int y = top + kBandHeight / 2;
  int x = 12;
  auto item = [&](const std::string& text, auto mark) {
    mark(cv::Point(x + 10, y));
    x += 26;
    cv::putText(canvas, text, {x, y + 6}, kFont, kFontScale, kInk, 1, cv::LINE_AA);
    int baseline = 0;
    x += cv::getTextSize(text, kFont, kFontScale, 1, &baseline).width + 18;
  };
  item("margin", [&](cv::Point c) { cv::line(canvas, c - cv::Point(10, 0), c + cv::Point(10, 0), kMarginColour, 3); });
  item("tip", [&](cv::Point c) { cv::circle(canvas, c, kMarkRadius, kTipColour, cv::FILLED); });
  drawNumberLabel(canvas, "1", {x + 8, y});
  x += 22;
  cv::putText(canvas, "tooth = row of the tables", {x, y + 6}, kFont, kFontScale, kInk, 1,
              cv::LINE_AA);
  x += 230;
  item("sinus", [&](cv::Point c) { cv::circle(canvas, c, kMarkRadius, kSinusColour, cv::FILLED); });
  item("deepest notch", [&](cv::Point c) {
    cv::line(canvas, c - cv::Point(10, 6), c + cv::Point(10, -6), kChordColour, 3);
    cv::line(canvas, c + cv::Point(0, -6), c + cv::Point(0, 8), kDepthColour, 3);
  });

  drawScaleBar(canvas, {canvas.cols - 14, y}, pixelsPerMm, std::max(40, canvas.cols - x - 90), kFontScale);
}

}  // namespace

cv::Mat drawTeethPicture(const cv::Mat& picture, const std::vector<cv::Point>& leafOutline,
                         const std::vector<MeasuredTooth>& teeth, const DeepestSinus& deepest,
                         bool turned, double mmPerPixel) {
  const ShrunkPicture shrunk = shrinkToFit(picture, kTeethPictureMaxSide);
  const double scale = shrunk.scale;
  const Mapping map{picture.size(), turned, shrunk};
  const cv::Mat& shown = shrunk.image;
  cv::Mat canvas(shown.rows + kBandHeight, std::max(shown.cols, kMinWidth), CV_8UC3, kPaper);
  shown.copyTo(canvas(cv::Rect(0, 0, shown.cols, shown.rows)));
  cv::Mat view = canvas(cv::Rect(0, 0, shown.cols, shown.rows));

  std::vector<cv::Point> margin;
  margin.reserve(leafOutline.size());
  for (const cv::Point& p : leafOutline) margin.push_back(map(p));
  if (!margin.empty()) cv::polylines(view, margin, false, kMarginColour, 2, cv::LINE_AA);

  if (deepest.chord.first.x >= 0) {
    cv::line(view, map(deepest.chord.first), map(deepest.chord.second), kChordColour, 2, cv::LINE_AA);
    cv::line(view, map(deepest.depth.first), map(deepest.depth.second), kDepthColour, 2, cv::LINE_AA);
  }

  std::set<int> sinuses;
  for (const MeasuredTooth& tooth : teeth) {
    for (int s : {tooth.sinusBefore, tooth.sinusAfter}) {
      if (within(leafOutline, s)) sinuses.insert(s);
    }
  }
  for (int s : sinuses) cv::circle(view, map(leafOutline[s]), kMarkRadius, kSinusColour, cv::FILLED);

  for (std::size_t row = 0; row < teeth.size(); ++row) {
    const MeasuredTooth& tooth = teeth[row];
    if (!within(leafOutline, tooth.tip)) continue;
    const cv::Point tip = leafOutline[tooth.tip];
    cv::circle(view, map(tip), kMarkRadius, kTipColour, cv::FILLED);
    const cv::Point before = within(leafOutline, tooth.sinusBefore) ? leafOutline[tooth.sinusBefore] : tip;
    const cv::Point after = within(leafOutline, tooth.sinusAfter) ? leafOutline[tooth.sinusAfter] : tip;
    drawNumberLabel(view, std::to_string(row + 1),
                    map(labelPosition(tip, before, after, kLabelReach / scale)));
  }

  drawLegend(canvas, shown.rows, scale / mmPerPixel);
  return canvas;
}

}  // namespace leafmargin
