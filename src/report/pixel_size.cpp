#include "report/pixel_size.h"

#include <iomanip>
#include <sstream>

namespace leafmargin {

double mmPerPixelAt(double dpi) { return kMmPerPixel * (kDefaultDpi / dpi); }

double dpiOfPixel(double mmPerPixel) { return kMmPerPixel * kDefaultDpi / mmPerPixel; }

std::string formatDpi(double dpi) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << dpi;
  std::string result = text.str();
  if (result.size() > 2 && result.compare(result.size() - 2, 2, ".0") == 0)
    result.resize(result.size() - 2);
  return result;
}

}  // namespace leafmargin
