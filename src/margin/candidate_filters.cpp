#include "margin/candidate_filters.h"

#include <algorithm>

#include "geometry/angles.h"
#include "margin/starting_order.h"
#include "run/trace_markers.h"

namespace leafmargin {

namespace {

constexpr double kClosePairDistance = 8.0;
constexpr double kFirstBluntAngle = 110.0;
constexpr double kSecondBluntAngle = 130.0;
constexpr double kSparedToothSinusDistance = 135.0;
constexpr int kSparedSinusCurveDistance = 3;
constexpr double kWideToothAngle = 140.0;
constexpr double kWideToothSinusDistance = 50.0;

// The indices and flags one blunt-pair run works with; T and S as in the pass descriptions.
struct BluntPairStep {
  const std::vector<int>& T;
  const std::vector<int>& S;
  BluntPairRun run;
  const FilterContext& ctx;
  KeepFlags& flags;

  int sizeT() const { return static_cast<int>(T.size()); }
  int sizeS() const { return static_cast<int>(S.size()); }
  double threshold() const {
    return run == BluntPairRun::First ? kFirstBluntAngle : kSecondBluntAngle;
  }
  bool blunt(int centre, int a, int b) const {
    return ctx.angleDegrees(centre, a, b) > threshold();
  }

  // Step b keeps its pair when the tooth before and the second sinus after are far apart and
  // the sinus in between lies off the smooth outline. Without a sinus S[j+2] the step does not
  // apply, which keeps the pair as well.
  bool spared(int j) const {
    if (j + 2 >= sizeS()) return true;
    return ctx.distance(T[j], S[j + 2]) > kSparedToothSinusDistance &&
           ctx.distanceToSmooth(S[j + 1]) > kSparedSinusCurveDistance;
  }

  void toothFirst(int j) const {
    if (blunt(S[j], T[j], T[j + 1]) && blunt(T[j + 1], S[j], S[j + 1]) && flags.keepSinus[j] &&
        flags.keepTooth[j + 1]) {
      flags.keepSinus[j] = false;
      flags.keepTooth[j + 1] = false;
    }
    const bool guard = run == BluntPairRun::First ? j + 2 < sizeT() : j + 3 < sizeT();
    if (guard && blunt(T[j + 1], S[j], S[j + 1]) && blunt(S[j + 1], T[j + 1], T[j + 2]) &&
        flags.keepSinus[j + 1] && flags.keepTooth[j + 1] &&
        !(run == BluntPairRun::Second && spared(j))) {
      flags.keepSinus[j + 1] = false;
      flags.keepTooth[j + 1] = false;
    }
  }

  void sinusFirst(int j) const {
    if (blunt(T[j], S[j], S[j + 1]) && blunt(S[j + 1], T[j], T[j + 1]) && flags.keepTooth[j] &&
        flags.keepSinus[j + 1]) {
      flags.keepTooth[j] = false;
      flags.keepSinus[j + 1] = false;
    }
    const bool guard = run == BluntPairRun::First ? j + 2 < sizeT() : j + 3 < sizeS();
    if (guard && blunt(S[j + 1], T[j], T[j + 1]) && j + 2 < sizeS() &&
        blunt(T[j + 1], S[j + 1], S[j + 2]) && flags.keepSinus[j + 1] && flags.keepTooth[j + 1] &&
        !(run == BluntPairRun::First && spared(j))) {
      flags.keepSinus[j + 1] = false;
      flags.keepTooth[j + 1] = false;
    }
  }
};

}  // namespace

FilterContext::FilterContext(const std::vector<cv::Point>& outline,
                             const std::vector<cv::Point>& smoothOutline, std::ostream& diag)
    : outline_(outline), diag_(diag) {
  if (smoothOutline.size() >= 2) smooth_.emplace(smoothOutline);
}

double FilterContext::angleDegrees(int centre, int a, int b) const {
  return radToDeg(angle3Points(outline_[centre], outline_[a], outline_[b], diag_));
}

double FilterContext::distance(int a, int b) const {
  return pointDistance(outline_[a], outline_[b]);
}

bool FilterContext::startsWithSinus(const CandidateLists& lists) const {
  return leafmargin::startsWithSinus(outline_, lists.dents, lists.sinus);
}

int FilterContext::distanceToSmooth(int position) const {
  return smooth_ ? smooth_->distanceToCurve(outline_[position]) : 0;
}

void removeClosePairs(const CandidateLists& lists, const FilterContext& ctx, KeepFlags& flags) {
  const int sizeT = static_cast<int>(lists.dents.size());
  const int sizeS = static_cast<int>(lists.sinus.size());
  for (int i = 0; i < sizeT; ++i) {
    for (int j = std::max(i - 2, 0); j <= std::min(i + 2, sizeS - 1); ++j) {
      if (ctx.distance(lists.dents[i], lists.sinus[j]) < kClosePairDistance &&
          flags.keepTooth[i] && flags.keepSinus[j]) {
        flags.keepTooth[i] = false;
        flags.keepSinus[j] = false;
      }
    }
  }
}

void removeBluntPairs(const CandidateLists& lists, BluntPairRun run, const FilterContext& ctx,
                      KeepFlags& flags) {
  if (lists.dents.empty() || lists.sinus.empty()) return;
  const bool sinusFirst = ctx.startsWithSinus(lists);
  const BluntPairStep step{lists.dents, lists.sinus, run, ctx, flags};
  const int m = static_cast<int>(std::min(lists.dents.size(), lists.sinus.size()));
  for (int j = 0; j <= m - 2; ++j) {
    if (sinusFirst)
      step.sinusFirst(j);
    else
      step.toothFirst(j);
  }
}

void trimEnds(const CandidateLists& lists, KeepFlags& flags) {
  if (lists.dents.empty() || lists.sinus.empty()) return;
  flags.keepSinus.front() = false;
  flags.keepTooth.front() = false;
  flags.keepSinus.back() = false;
  flags.keepTooth.back() = false;
}

void removeWideTeeth(const CandidateLists& finals, bool commenceParSinus, const FilterContext& ctx,
                     KeepFlags& flags) {
  if (!commenceParSinus) return;
  const std::vector<int>& dents = finals.dents;
  const std::vector<int>& sinus = finals.sinus;
  const int m = static_cast<int>(std::min(dents.size(), sinus.size()));
  for (int k = 0; k <= m - 2; ++k) {
    if (ctx.angleDegrees(dents[k], sinus[k], sinus[k + 1]) > kWideToothAngle &&
        ctx.distance(sinus[k], sinus[k + 1]) < kWideToothSinusDistance) {
      flags.keepTooth[k] = false;
      flags.keepSinus[k + 1] = false;
    }
  }
}

MarginAnalysis filterCandidates(const CandidateLists& candidates, const FilterContext& ctx,
                                std::ostream& trace) {
  CandidateLists lists = candidates;
  KeepFlags flags = keepAll(lists);
  trace << kMarkerFiltersStart << std::endl;
  removeClosePairs(lists, ctx, flags);
  trace << kMarkerClosePairsRemoved << std::endl;
  lists = compact(lists, flags);
  flags = keepAll(lists);
  trace << kMarkerClosePairsCompacted << std::endl;
  trace << kMarkerOrder << std::endl;  // the order searches print nothing
  removeBluntPairs(lists, BluntPairRun::First, ctx, flags);
  trace << kMarkerBluntPairsRemoved << std::endl;
  lists = compact(lists, flags);
  flags = keepAll(lists);
  trace << kMarkerCompacted << std::endl;
  removeBluntPairs(lists, BluntPairRun::Second, ctx, flags);
  trace << kMarkerSecondBluntPairsRemoved << std::endl;
  trimEnds(lists, flags);
  CandidateLists finals = compact(lists, flags);
  trace << kMarkerCompacted << std::endl;
  const bool commenceParSinus = ctx.startsWithSinus(lists);

  KeepFlags finalFlags = keepAll(finals);
  removeWideTeeth(finals, commenceParSinus, ctx, finalFlags);
  finals = compact(finals, finalFlags);
  return {finals.dents, finals.sinus, commenceParSinus, std::nullopt};
}

}  // namespace leafmargin
