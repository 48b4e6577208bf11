#include "margin/candidates.h"

#include "margin/angle_profile.h"
#include "margin/vertical_offset.h"
#include "run/trace_markers.h"

namespace leafmargin {

namespace {
constexpr int kFirstCrossing = 32;    // no crossing before this position
constexpr int kLastCrossingGap = 31;  // nor after position n - 31
constexpr double kNoBestYet = 1000000.0;

int sharpestPosition(const std::vector<double>& profile, int from, int to) {
  double best = kNoBestYet;
  int position = from;
  for (int t = from; t <= to; ++t) {
    if (profile[t] < best) {
      best = profile[t];
      position = t;
    }
  }
  return position;
}
}  // namespace

std::vector<int> findCrossings(const std::vector<bool>& below) {
  const int n = static_cast<int>(below.size());
  std::vector<int> crossings;
  for (int i = kFirstCrossing; i <= n - kLastCrossingGap; ++i)
    if (below[i] != below[i - 1]) crossings.push_back(i);
  return crossings;
}

CandidateLists candidatesFromRuns(const std::vector<int>& crossings, const std::vector<bool>& below,
                                  const std::vector<double>& profile) {
  CandidateLists lists;
  if (crossings.size() < 2) return lists;
  const int firstRunBelow = below[(crossings[0] + crossings[1]) / 2] ? 1 : 0;
  for (int r = 0; r + 1 < static_cast<int>(crossings.size()); ++r) {
    const int candidate = sharpestPosition(profile, crossings[r], crossings[r + 1]);
    if ((r - firstRunBelow) % 2 == 0)
      lists.sinus.push_back(candidate);
    else
      lists.dents.push_back(candidate);
  }
  return lists;
}

CandidateLists findToothSinusCandidates(const std::vector<cv::Point>& leafOutline,
                                        const std::vector<cv::Point>& smoothOutline,
                                        std::ostream& trace) {
  const std::vector<bool> below = belowCurveFlags(leafOutline, smoothOutline);
  trace << kMarkerSidesClassified << std::endl;
  trace << kMarkerAngleProfileStart << std::endl;
  const std::vector<double> profile = angleProfile(leafOutline, trace);
  trace << kMarkerAngleProfileDone << std::endl;
  const std::vector<int> crossings = findCrossings(below);
  trace << kMarkerCrossings << std::endl;
  CandidateLists lists = candidatesFromRuns(crossings, below, profile);
  trace << kMarkerCandidates << std::endl;
  return lists;
}

}  // namespace leafmargin
