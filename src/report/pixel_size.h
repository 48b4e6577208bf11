// The size of a pixel in millimetres. The analysis was set for scans at kDefaultDpi: every
// distance, smoothing and filter of it is in pixels of such a scan, and the report turns pixels
// into mm at that resolution unless it is given another one.
#pragma once

#include <string>

namespace leafmargin {

constexpr double kDefaultDpi = 1200.0;

// Size of one pixel in millimetres at kDefaultDpi: the double nearest to 25.4 / 1200.
constexpr double kMmPerPixel = 0.021166666666666667;

// Size of one pixel at another resolution: kMmPerPixel * kDefaultDpi / dpi, so that kDefaultDpi
// gives kMmPerPixel itself and half of it exactly twice it.
double mmPerPixelAt(double dpi);
// The resolution whose pixel is mmPerPixel wide: the inverse of mmPerPixelAt.
double dpiOfPixel(double mmPerPixel);

// A resolution as messages show it: to one decimal, without a trailing ".0" ("1200", "299.5").
std::string formatDpi(double dpi);

}  // namespace leafmargin
