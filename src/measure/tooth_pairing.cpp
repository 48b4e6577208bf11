#include "measure/tooth_pairing.h"

#include <algorithm>

#include "margin/starting_order.h"

namespace leafmargin {

ToothPairing pairTeethAndSinuses(const std::vector<int>& dents, const std::vector<int>& sinus,
                                 bool startsWithSinus) {
  ToothPairing pairing;
  const int f = startsWithSinus ? 1 : 0;
  const int tips = static_cast<int>(dents.size());
  const int a = static_cast<int>(sinus.size()) - f;
  for (int t = 1 - f; t < std::min(a, tips); ++t)
    pairing.teeth.push_back({dents[t], sinus[t + f - 1], sinus[t + f], t});
  for (int i = 0; i < std::min(tips - 1, a); ++i)
    pairing.sinuses.push_back({sinus[i + f], dents[i], dents[i + 1], i});
  return pairing;
}

ToothPairing pairTeethAndSinuses(const std::vector<cv::Point>& leafOutline,
                                 const std::vector<int>& dents, const std::vector<int>& sinus) {
  return pairTeethAndSinuses(dents, sinus, startsWithSinus(leafOutline, dents, sinus));
}

}  // namespace leafmargin
