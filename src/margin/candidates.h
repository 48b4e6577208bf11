// Raw tooth and sinus candidates. Every outline point is flagged as below the smooth outline or
// not; the places where the flag changes cut the margin into runs, and each run offers its
// sharpest point (smallest angle of the profile) as a tooth when the run lies below the smooth
// outline and as a sinus otherwise. Runs alternate, so the two lists interleave.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>
#include <vector>

namespace leafmargin {

struct CandidateLists {
  std::vector<int> dents;  // tooth tips: ascending positions in the outline
  std::vector<int> sinus;  // sinus bottoms: ascending positions in the outline
};

// Positions i from 32 to n-31 whose flag differs from flag i-1; none when n <= 62.
std::vector<int> findCrossings(const std::vector<bool>& below);

// One candidate per run c[r]..c[r+1] (bounds included, shared by consecutive runs): the
// earliest position of the smallest profile value. The first run's side is the flag at
// (c[0] + c[1]) / 2; after it the runs alternate by parity. Fewer than two crossings give
// empty lists.
CandidateLists candidatesFromRuns(const std::vector<int>& crossings, const std::vector<bool>& below,
                                  const std::vector<double>& profile);

// The whole detection, with the trace "okok", "hh", "jj", "kk", "ll" (and any angle
// diagnostics) on trace. An outline of 62 points or fewer, or one that crosses the smooth
// outline fewer than twice, gives empty lists.
CandidateLists findToothSinusCandidates(const std::vector<cv::Point>& leafOutline,
                                        const std::vector<cv::Point>& smoothOutline,
                                        std::ostream& trace);

}  // namespace leafmargin
