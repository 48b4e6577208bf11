#include "geometry/angles.h"

#include <cmath>

#include "geometry/numeric.h"

namespace leafmargin {

double pointDistance(cv::Point a, cv::Point b) {
  return std::hypot(static_cast<double>(wrapSub(a.x, b.x)), static_cast<double>(wrapSub(a.y, b.y)));
}

double degToRad(double degrees) { return degrees * kPi / 180.0; }

double radToDeg(double radians) { return radians * 180.0 / kPi; }

double angle3Points(cv::Point centre, cv::Point a, cv::Point b, std::ostream& diag) {
  const double x1x3 = wrapSub(a.x, centre.x);
  const double y1y3 = wrapSub(a.y, centre.y);
  const double x2x3 = wrapSub(b.x, centre.x);
  const double y2y3 = wrapSub(b.y, centre.y);
  const double sumA = x1x3 * x1x3 + y1y3 * y1y3;
  const double sumB = x2x3 * x2x3 + y2y3 * y2y3;
  const double denominator = std::sqrt(sumA) * std::sqrt(sumB);
  const double temp = (x1x3 * x2x3 + y1y3 * y2y3) / denominator;
  const double angle = std::acos(temp);
  if (!std::isnan(angle)) return angle;
  if (temp + 1.0 <= 1e-7) return kPi;
  if (temp - 1.0 <= 1e-7) return 0.0;
  diag << "erreur angle 3 points ! center : " << centre << " A : " << a << " B : " << b
       << " temp : " << temp << "X1X3*X1X3+Y1Y3*Y1Y3" << sumA << "X2X3*X2X3+Y2Y3*Y2Y3" << sumB
       << "(sqrt(X1X3*X1X3+Y1Y3*Y1Y3)*sqrt(X2X3*X2X3+Y2Y3*Y2Y3))" << denominator << std::endl;
  return angle;
}

}  // namespace leafmargin
