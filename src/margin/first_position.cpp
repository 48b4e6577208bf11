#include "margin/first_position.h"

namespace leafmargin {

int firstPositionOfPoint(const std::vector<cv::Point>& outline, int position) {
  const cv::Point p = outline[position];
  int k = 0;
  while (outline[k] != p) ++k;
  return k;
}

}  // namespace leafmargin
