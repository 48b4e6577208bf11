// Distances and angles between integer points, with the program's own pi literal. The
// degenerate cases (a point equal to the centre) follow fixed rules and print one diagnostic
// line on the stream given, which is part of the program's trace.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>

namespace leafmargin {

double pointDistance(cv::Point a, cv::Point b);
double degToRad(double degrees);
double radToDeg(double radians);
// Angle at centre between a and b, in [0, pi]; NaN (with a diagnostic on diag) when a or b
// coincides with the centre.
double angle3Points(cv::Point centre, cv::Point a, cv::Point b, std::ostream& diag);

}  // namespace leafmargin
