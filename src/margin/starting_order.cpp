#include "margin/starting_order.h"

namespace leafmargin {

int firstPositionOfPoint(const std::vector<cv::Point>& outline, int position) {
  const cv::Point p = outline[position];
  int k = 0;
  while (outline[k] != p) ++k;
  return k;
}

bool startsWithSinus(const std::vector<cv::Point>& outline, const std::vector<int>& dents,
                     const std::vector<int>& sinus) {
  if (dents.empty() || sinus.empty()) return false;
  return firstPositionOfPoint(outline, sinus[0]) < firstPositionOfPoint(outline, dents[0]);
}

}  // namespace leafmargin
