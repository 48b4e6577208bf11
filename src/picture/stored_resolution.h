// The resolution a picture file stores, for `--dpi auto` and for the warning when it differs
// from the one used. exiv2 reads the EXIF XResolution, YResolution and ResolutionUnit (JPEG,
// TIFF, WebP); the program's own readers the JFIF density of a JPEG and the pHYs chunk of a
// PNG, which exiv2 does not report. A stored value counts only when a scanner could have
// written it: 0, under 50 or over 20000 dpi is no resolution, and so are 72 and 96 dpi
// (within half a dpi), the defaults of common software, and unequal x and y resolutions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace leafmargin {

// A resolution as a file stores it, in dots per inch along x and y.
struct Resolution {
  double x = 0.0;
  double y = 0.0;
};

// JFIF density of a JPEG (units 1: per inch, 2: per centimetre); nullopt without a JFIF
// segment before the first scan or with units 0 (an aspect ratio only).
std::optional<Resolution> jfifResolution(const unsigned char* data, std::size_t size);
// pHYs chunk of a PNG in pixels per metre; nullopt without one before the image data or with
// unit 0 (an aspect ratio only).
std::optional<Resolution> pngResolution(const unsigned char* data, std::size_t size);
// EXIF XResolution and YResolution with ResolutionUnit (2 or absent: inch, 3: centimetre),
// read by exiv2; nullopt without them or with unit 1 (none).
std::optional<Resolution> exifResolution(const unsigned char* data, std::size_t size);

// Whether two resolutions are the same for the program: within half a dpi.
bool sameDpi(double a, double b);

// The dpi a stored resolution gives, or nullopt when it does not count (see above).
std::optional<double> scanDpi(const Resolution& stored);

// The first stored resolution that counts, EXIF first, then JFIF or pHYs; nullopt when none
// does or the file cannot be read.
std::optional<double> storedResolutionDpi(const unsigned char* data, std::size_t size);

}  // namespace leafmargin
