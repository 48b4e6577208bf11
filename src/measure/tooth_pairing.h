// Which tips are measured as teeth and which sinuses as sinuses, and with which neighbours: the
// one pairing of the margin's tips and sinuses that the measurements, the symmetry indices and
// the deepest notch all read. Tips and sinuses are expected to alternate; when they do not, or
// entries are missing, the pairing only gets shorter, never reads past a list.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace leafmargin {

// A tooth: tip dents[rank] between two consecutive sinuses. Positions are in leafOutline.
// Entry r of the teeth belongs to row r + 1 of results.csv.
struct MeasuredTooth {
  int tip = -1;
  int sinusBefore = -1;
  int sinusAfter = -1;
  int rank = -1;  // index of the tip in dents
};

// A sinus: bottom between tips dents[rank] and dents[rank + 1]. Positions are in leafOutline.
struct MeasuredSinus {
  int bottom = -1;
  int tipBefore = -1;
  int tipAfter = -1;
  int rank = -1;  // index in dents of the tip before it
};

// With f = 1 when the margin starts with a sinus, else 0, and a = |sinus| - f: the teeth are
// the tips t with 1 - f <= t < min(a, |dents|), tip dents[t] between sinus[t + f - 1] and
// sinus[t + f]; the sinuses are sinus[i + f] between tips i and i + 1, for
// i < min(|dents| - 1, a). Both lists run in outline order, so ranks grow by one from entry to
// entry: the teeth start at rank 1 - f and the sinuses at rank 0.
struct ToothPairing {
  std::vector<MeasuredTooth> teeth;
  std::vector<MeasuredSinus> sinuses;
};

// The pairing of the tips dents and the sinuses sinus, given the order of the margin.
ToothPairing pairTeethAndSinuses(const std::vector<int>& dents, const std::vector<int>& sinus,
                                 bool startsWithSinus);
// The same with the order read from leafOutline (startsWithSinus of margin/starting_order.h).
ToothPairing pairTeethAndSinuses(const std::vector<cv::Point>& leafOutline,
                                 const std::vector<int>& dents, const std::vector<int>& sinus);

}  // namespace leafmargin
