#include "picture/stored_resolution.h"

#include <cmath>

#include "picture/byte_view.h"
#include "picture/exiv2_image.h"

namespace leafmargin {

namespace {

constexpr double kCentimetresPerInch = 2.54;
constexpr double kMetresPerInch = 0.0254;
constexpr double kMinScanDpi = 50.0;
constexpr double kMaxScanDpi = 20000.0;
constexpr double kSoftwareDefaults[] = {72.0, 96.0};
constexpr double kSameDpi = 0.5;

constexpr unsigned kStartOfScan = 0xffda;
constexpr unsigned kApp0 = 0xffe0;

std::optional<double> exifNumber(const Exiv2::ExifData& exif, const char* key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end() || found->count() == 0) return std::nullopt;
  const Exiv2::Rational value = found->toRational(0);
  if (value.second == 0) return std::nullopt;
  return static_cast<double>(value.first) / value.second;
}

}  // namespace

std::optional<Resolution> jfifResolution(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  if (bytes.be16(0) != 0xffd8u) return std::nullopt;
  std::size_t at = 2;
  while (true) {
    const auto marker = bytes.be16(at);
    const auto length = bytes.be16(at + 2);
    if (!marker || !length || (*marker & 0xff00u) != 0xff00u || *marker == kStartOfScan)
      return std::nullopt;
    if (*marker == kApp0 && bytes.startsWith(std::string_view("JFIF\0", 5), at + 4)) {
      const auto units = bytes.uint(at + 11, 1, true);
      const auto x = bytes.be16(at + 12), y = bytes.be16(at + 14);
      if (!units || !x || !y || (*units != 1 && *units != 2)) return std::nullopt;
      const double perInch = *units == 2 ? kCentimetresPerInch : 1.0;
      return Resolution{*x * perInch, *y * perInch};
    }
    at += 2 + *length;
  }
}

std::optional<Resolution> pngResolution(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  if (!bytes.startsWith("\x89PNG\r\n\x1a\n")) return std::nullopt;
  for (std::size_t at = 8; bytes.has(at, 8);) {
    const std::uint32_t length = *bytes.be32(at);
    if (bytes.startsWith("IDAT", at + 4) || bytes.startsWith("IEND", at + 4)) break;
    if (bytes.startsWith("pHYs", at + 4)) {
      const auto x = bytes.be32(at + 8), y = bytes.be32(at + 12);
      const auto unit = bytes.uint(at + 16, 1, true);
      if (length != 9 || !x || !y || unit != 1u) return std::nullopt;
      return Resolution{*x * kMetresPerInch, *y * kMetresPerInch};
    }
    if (length > size) break;
    at += 12 + static_cast<std::size_t>(length);
  }
  return std::nullopt;
}

std::optional<Resolution> exifResolution(const unsigned char* data, std::size_t size) {
  const std::unique_ptr<Exiv2::Image> image = openWithExiv2(data, size);
  if (!image) return std::nullopt;
  const Exiv2::ExifData& exif = image->exifData();
  const auto x = exifNumber(exif, "Exif.Image.XResolution");
  const auto y = exifNumber(exif, "Exif.Image.YResolution");
  const double unit = exifNumber(exif, "Exif.Image.ResolutionUnit").value_or(2.0);
  if (!x || !y || (unit != 2.0 && unit != 3.0)) return std::nullopt;
  const double perInch = unit == 3.0 ? kCentimetresPerInch : 1.0;
  return Resolution{*x * perInch, *y * perInch};
}

bool sameDpi(double a, double b) { return std::fabs(a - b) <= kSameDpi; }

std::optional<double> scanDpi(const Resolution& stored) {
  const double dpi = stored.x;
  if (!(dpi >= kMinScanDpi && dpi <= kMaxScanDpi)) return std::nullopt;  // NaN too
  if (!sameDpi(stored.y, dpi)) return std::nullopt;
  for (double common : kSoftwareDefaults)
    if (sameDpi(dpi, common)) return std::nullopt;
  return dpi;
}

std::optional<double> storedResolutionDpi(const unsigned char* data, std::size_t size) {
  for (auto reader : {exifResolution, jfifResolution, pngResolution}) {
    const std::optional<Resolution> stored = reader(data, size);
    if (!stored) continue;
    if (auto dpi = scanDpi(*stored)) return dpi;
  }
  return std::nullopt;
}

}  // namespace leafmargin
