// The passes that thin the raw candidates into the final tooth tips and sinus bottoms, each
// removing a tooth and a sinus together: close pairs (under 8 pixels), blunt pairs (both angles
// over 110 degrees, then over 130), the end trim, and for outlines that begin with a sinus the
// wide teeth (over 140 degrees between sinuses under 50 pixels apart). Every pass works on the
// keep flags of the lists it is given; filterCandidates chains them with their trace.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <ostream>
#include <vector>

#include "margin/candidates.h"
#include "margin/keep_flags.h"
#include "margin/margin_analysis.h"
#include "margin/vertical_offset.h"

namespace leafmargin {

// What the passes read: the outline P that positions index, the smooth outline, and the stream
// that receives angle3Points' diagnostics. Both chains must outlive the context.
class FilterContext {
 public:
  FilterContext(const std::vector<cv::Point>& outline, const std::vector<cv::Point>& smoothOutline,
                std::ostream& diag);

  // radToDeg of angle3Points with centre P[centre] and the points P[a], P[b] (NaN stays NaN).
  double angleDegrees(int centre, int a, int b) const;
  double distance(int a, int b) const;
  // startsWithSinus of the lists' first entries on P.
  bool startsWithSinus(const CandidateLists& lists) const;
  // distanceToCurve(P[position], smoothOutline); 0 when the smooth outline has under 2 points.
  int distanceToSmooth(int position) const;

 private:
  const std::vector<cv::Point>& outline_;
  std::optional<ReferenceCurve> smooth_;
  std::ostream& diag_;
};

// Clears tooth i with the first sinus j in i-2..i+2 that is closer than 8.0 pixels and still kept.
void removeClosePairs(const CandidateLists& lists, const FilterContext& ctx, KeepFlags& flags);

// The two blunt-pair runs differ in their threshold (110 and 130 degrees), in the guard of step
// b (j + 2 < |T| in the first run; j + 3 < |T| tooth first and j + 3 < |S| sinus first in the
// second) and in the order whose step b is subject to the exception (sinus first in the first
// run, tooth first in the second): no removal when P[T[j]] and P[S[j+2]] are more than 135.0
// pixels apart and S[j+1] lies more than 3 pixels from the smooth outline. A step b that would
// need a sinus S[j+2] past the end of S removes nothing.
enum class BluntPairRun { First, Second };

// The order (sinus first or tooth first) is startsWithSinus of the lists; the pass does nothing
// when either list is empty.
void removeBluntPairs(const CandidateLists& lists, BluntPairRun run, const FilterContext& ctx,
                      KeepFlags& flags);

// Clears the first and last flag of both lists, whether already cleared or not; does nothing
// when either list is empty.
void trimEnds(const CandidateLists& lists, KeepFlags& flags);

// Only when commenceParSinus: clears dents[k] and sinus[k+1] when the angle at the tooth
// between sinus k and k+1 exceeds 140 degrees and the two sinuses are under 50.0 pixels apart.
void removeWideTeeth(const CandidateLists& finals, bool commenceParSinus, const FilterContext& ctx,
                     KeepFlags& flags);

// All passes in order with the trace "mm" to "rr"; commenceParSinus is the order of the lists
// the end trim cut (false when either was empty).
MarginAnalysis filterCandidates(const CandidateLists& candidates, const FilterContext& ctx,
                                std::ostream& trace);

}  // namespace leafmargin
