#include "wholeleaf/outline_windows.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "margin/margin_analysis.h"
#include "outline/leaf_outline.h"
#include "run/run_output.h"

namespace leafmargin {

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

std::vector<OutlineWindow> layLeafWindows(const ClosedOutline& outline, const LeafEnds& ends,
                                          double length, int cover, bool windowOnApex) {
  if (!windowOnApex) {
    std::vector<OutlineWindow> windows = layWindows(outline, ends.base, ends.apex, length, cover);
    const std::vector<OutlineWindow> second = layWindows(outline, ends.apex, ends.bladeEnd, length, cover);
    windows.insert(windows.end(), second.begin(), second.end());
    return windows;
  }
  // One window centred on the apex and the others stepped from it both ways, the first starting
  // at the base and the last ending at the end of the blade.
  const double blade = ends.base == ends.bladeEnd ? outline.length
                                                  : outline.forwardDistance(ends.base, ends.bladeEnd);
  if (blade <= length) return layWindows(outline, ends.base, ends.bladeEnd, length, cover);
  const double stride = length / cover;
  const double centred = outline.forwardDistance(ends.base, ends.apex) - length / 2;
  // Grid starts closer than half a stride to either end give way to the windows at the ends.
  std::vector<double> starts{0.0};
  for (double start = centred - std::floor(centred / stride) * stride;
       start <= blade - length - stride / 2; start += stride) {
    if (start >= stride / 2) starts.push_back(start);
  }
  starts.push_back(blade - length);
  std::vector<OutlineWindow> windows;
  for (double start : starts) {
    const int first = outline.advance(ends.base, start);
    const int last = start + length >= blade - 1.0 ? ends.bladeEnd : outline.advance(ends.base, start + length);
    windows.push_back({first, outline.wrap(last - first) + 1});
  }
  return windows;
}

std::vector<double> toothTipPositions(const ClosedOutline& outline, int from, int to, cv::Size size) {
  if (outline.size() < 2) return {};
  const int count = from == to ? outline.size() : outline.wrap(to - from) + 1;
  std::vector<cv::Point> leafOutline, smoothOutline;
  if (!sampleOutline(outlineStretch(outline, from, count), size, leafOutline, smoothOutline)) return {};
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
