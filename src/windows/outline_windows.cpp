#include "windows/outline_windows.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "margin/margin_analysis.h"
#include "outline/leaf_outline.h"
#include "windows/crop_transform.h"
#include "run/run_output.h"

namespace leafmargin {

namespace {
constexpr int kTipBandRows = 60;  // rows above a turned stretch, as in a crop
}  // namespace

std::vector<OutlineWindow> layWindows(const ClosedOutline& outline, int from, int to,
                                      double length, int cover) {
  std::vector<OutlineWindow> windows;
  if (outline.size() < 2) return windows;
  const double span = from == to ? outline.length : outline.forwardDistance(from, to);
  // Points from `from` to `to`, both included; the whole loop once when they are equal.
  const int spanPoints = from == to ? outline.size() : outline.wrap(to - from) + 1;
  if (span <= length) {
    windows.push_back({from, spanPoints});
    return windows;
  }
  const int steps = static_cast<int>(std::ceil((span - length) / (length / cover) - 1e-9));
  const double stride = (span - length) / steps;
  for (int k = 0; k <= steps; ++k) {
    const int first = outline.advance(from, k * stride);
    const int last = k == steps ? outline.wrap(from + spanPoints - 1)
                                : outline.advance(from, k * stride + length);
    windows.push_back({first, outline.wrap(last - first) + 1});
  }
  return windows;
}

namespace {

// Windows over one run of the blade's outline (from, to, both measurable), ended at the apex on
// both sides of it when it lies in the run, or stepped both ways from a window centred on it.
std::vector<OutlineWindow> layRunWindows(const ClosedOutline& outline, int from, int to, int apex,
                                         double length, int cover, bool windowOnApex) {
  const bool wholeLoop = from == to;
  const double span = wholeLoop ? outline.length : outline.forwardDistance(from, to);
  const double apexAt = outline.forwardDistance(from, apex);
  const bool apexInside = apex != from && apex != to && apexAt < span;
  if (!apexInside) return layWindows(outline, from, to, length, cover);
  if (!windowOnApex) {
    std::vector<OutlineWindow> windows = layWindows(outline, from, apex, length, cover);
    const std::vector<OutlineWindow> second = layWindows(outline, apex, to, length, cover);
    windows.insert(windows.end(), second.begin(), second.end());
    return windows;
  }
  // One window centred on the apex and the others stepped from it both ways, the first starting
  // at the run's start and the last ending at its end.
  if (span <= length) return layWindows(outline, from, to, length, cover);
  const double stride = length / cover;
  const double centred = apexAt - length / 2;
  // Grid starts closer than half a stride to either end give way to the windows at the ends.
  std::vector<double> starts{0.0};
  for (double start = centred - std::floor(centred / stride) * stride;
       start <= span - length - stride / 2; start += stride) {
    if (start >= stride / 2) starts.push_back(start);
  }
  starts.push_back(span - length);
  const int end = wholeLoop ? outline.wrap(from - 1) : to;
  std::vector<OutlineWindow> windows;
  for (double start : starts) {
    const int first = outline.advance(from, start);
    const int last = start + length >= span - 1.0 ? end : outline.advance(from, start + length);
    windows.push_back({first, outline.wrap(last - first) + 1});
  }
  return windows;
}

}  // namespace

std::vector<std::pair<int, int>> measurableRuns(const ClosedOutline& outline, const LeafEnds& ends,
                                                const std::vector<bool>& onBorder) {
  const int n = outline.size();
  const bool petiole = ends.base != ends.bladeEnd;
  const int count = petiole ? outline.wrap(ends.bladeEnd - ends.base) + 1 : n;
  std::vector<std::pair<int, int>> runs;
  const bool anyBorder = std::any_of(onBorder.begin(), onBorder.end(), [](bool b) { return b; });
  if (!anyBorder) {
    runs.push_back({ends.base, petiole ? ends.bladeEnd : ends.base});
    return runs;
  }
  int runStart = -1;
  for (int k = 0; k < count; ++k) {
    const int i = outline.wrap(ends.base + k);
    if (!onBorder[i]) {
      if (runStart < 0) runStart = i;
      continue;
    }
    if (runStart >= 0) runs.push_back({runStart, outline.wrap(i - 1)});
    runStart = -1;
  }
  if (runStart >= 0) runs.push_back({runStart, outline.wrap(ends.base + count - 1)});
  // Without a petiole the loop is whole: a run that ends at the loop's end goes on into the
  // run that begins at its start.
  if (!petiole && runs.size() > 1 && !onBorder[ends.base] && !onBorder[outline.wrap(ends.base - 1)]) {
    runs.front().first = runs.back().first;
    runs.pop_back();
  }
  return runs;
}

std::vector<OutlineWindow> layLeafWindows(const ClosedOutline& outline, const LeafEnds& ends,
                                          const std::vector<bool>& onBorder, double length,
                                          int cover, bool windowOnApex) {
  std::vector<OutlineWindow> windows;
  for (const auto& [from, to] : measurableRuns(outline, ends, onBorder)) {
    const std::vector<OutlineWindow> run =
        layRunWindows(outline, from, to, ends.apex, length, cover, windowOnApex);
    windows.insert(windows.end(), run.begin(), run.end());
  }
  return windows;
}

std::vector<double> toothTipPositions(const ClosedOutline& outline, int from, int to) {
  if (outline.size() < 2) return {};
  const int count = from == to ? outline.size() : outline.wrap(to - from) + 1;
  const std::vector<cv::Point> stretch = outlineStretch(outline, from, count);
  if (cv::norm(stretch.back() - stretch.front()) < 1.0) return {};
  std::vector<cv::Point> turned = turnedStretch(stretch, cropTransformFor(stretch, kTipBandRows));
  // Wholly inside a frame with a margin round it, as in a crop.
  const cv::Rect frame = cv::boundingRect(turned);
  for (cv::Point& p : turned) p += cv::Point(kTipBandRows - frame.x, kTipBandRows - frame.y);
  const cv::Size size(frame.width + 2 * kTipBandRows, frame.height + 2 * kTipBandRows);
  std::vector<cv::Point> leafOutline, smoothOutline;
  if (!sampleOutline(turned, size, leafOutline, smoothOutline)) return {};
  std::ostringstream quiet;
  const RunOutput out{quiet, "", false};
  cv::Mat noDrawing;
  const std::vector<int> tips = analyseMargin(leafOutline, smoothOutline, noDrawing, out).dents;
  std::vector<double> arc(leafOutline.size(), 0.0);
  for (std::size_t i = 1; i < leafOutline.size(); ++i)
    arc[i] = arc[i - 1] + cv::norm(leafOutline[i] - leafOutline[i - 1]);
  std::vector<double> positions;
  for (int tip : tips) positions.push_back(arc[tip]);
  return positions;
}

double typicalToothSpacing(const std::vector<double>& tips) {
  if (tips.size() < 3) return 0.0;
  std::vector<double> gaps;
  for (std::size_t k = 1; k < tips.size(); ++k) gaps.push_back(tips[k] - tips[k - 1]);
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  return gaps[gaps.size() / 2];
}

bool isToothAmongTeeth(const std::vector<double>& tips, double position, double spacing) {
  auto anyWithin = [&](double from, double to) {
    return std::any_of(tips.begin(), tips.end(), [&](double t) { return from <= t && t <= to; });
  };
  return spacing > 0.0 && anyWithin(position - spacing / 2, position + spacing / 2) &&
         anyWithin(position - 2 * spacing, position - spacing / 2) &&
         anyWithin(position + spacing / 2, position + 2 * spacing);
}

double largestTurnFromChord(const std::vector<cv::Point>& stretch, int halfSpan) {
  if (stretch.size() < 2) return 180.0;
  const cv::Point2d chord = stretch.back() - stretch.front();
  if (chord.x == 0 && chord.y == 0) return 180.0;
  const int n = static_cast<int>(stretch.size());
  double largest = 0.0;
  for (int i = 0; i < n; ++i) {
    const cv::Point2d course = stretch[std::min(n - 1, i + halfSpan)] - stretch[std::max(0, i - halfSpan)];
    if (course.x == 0 && course.y == 0) continue;
    const double angle = std::atan2(chord.x * course.y - chord.y * course.x, chord.dot(course));
    largest = std::max(largest, std::abs(angle) * 180.0 / M_PI);
  }
  return largest;
}

}  // namespace leafmargin
