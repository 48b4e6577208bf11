#include "picture/truncated_picture.h"

#include <algorithm>

#include "picture/byte_view.h"
#include "picture/exiv2_image.h"

namespace leafmargin {

namespace {

constexpr unsigned char kMarker = 0xff;
constexpr unsigned char kEndOfImage = 0xd9;
constexpr unsigned char kStartOfScan = 0xda;

bool isStandaloneMarker(unsigned char code) {
  return (code >= 0xd0 && code <= 0xd7) || code == 0x01 || code == 0xd8;  // RSTn, TEM, SOI
}

// Position of the next marker after entropy-coded data starting at `at` (stuffed 0xff00 and
// restart markers belong to the data), or size when there is none.
std::size_t endOfScanData(ByteView bytes, std::size_t at) {
  while (at + 1 < bytes.size) {
    if (bytes.data[at] != kMarker) {
      ++at;
      continue;
    }
    const unsigned char code = bytes.data[at + 1];
    if (code == 0x00 || (code >= 0xd0 && code <= 0xd7)) at += 2;
    else if (code == kMarker) ++at;  // fill byte
    else return at;
  }
  return bytes.size;
}

bool isTiff(ByteView bytes) {
  return bytes.startsWith(std::string_view("II*\0", 4)) ||
         bytes.startsWith(std::string_view("MM\0*", 4));
}

}  // namespace

bool jpegIsTruncated(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 1 < size) {
    if (data[at] != kMarker || data[at + 1] == kMarker) {  // stray byte or fill: resynchronise
      ++at;
      continue;
    }
    const unsigned char code = data[at + 1];
    if (code == kEndOfImage) return false;
    if (isStandaloneMarker(code)) {
      at += 2;
      continue;
    }
    const auto length = bytes.be16(at + 2);
    if (!length || !bytes.has(at + 2, *length)) return true;
    at += 2 + *length;
    if (code == kStartOfScan) at = endOfScanData(bytes, at);
  }
  return true;
}

bool pngIsTruncated(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  for (std::size_t at = 8; bytes.has(at, 8);) {
    const std::uint32_t length = *bytes.be32(at);
    if (!bytes.has(at + 8, std::size_t{length} + 4)) return true;  // data and CRC
    if (bytes.startsWith("IEND", at + 4)) return false;
    at += 12 + std::size_t{length};
  }
  return true;
}

bool tiffIsTruncated(const unsigned char* data, std::size_t size) {
  const std::unique_ptr<Exiv2::Image> image = openWithExiv2(data, size);
  if (!image) return false;
  const ByteView bytes{data, size};
  const Exiv2::ExifData& exif = image->exifData();
  const std::pair<const char*, const char*> layouts[] = {
      {"Exif.Image.StripOffsets", "Exif.Image.StripByteCounts"},
      {"Exif.Image.TileOffsets", "Exif.Image.TileByteCounts"}};
  for (const auto& [offsetsKey, countsKey] : layouts) {
    const auto offsets = exif.findKey(Exiv2::ExifKey(offsetsKey));
    const auto counts = exif.findKey(Exiv2::ExifKey(countsKey));
    if (offsets == exif.end() || counts == exif.end()) continue;
    const long pieces = std::min(offsets->count(), counts->count());
    for (long i = 0; i < pieces; ++i) {
      const long offset = offsets->toLong(i), count = counts->toLong(i);
      if (offset < 0 || count < 0) return true;
      if (!bytes.has(static_cast<std::size_t>(offset), static_cast<std::size_t>(count)))
        return true;
    }
  }
  return false;
}

bool pictureIsTruncated(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  if (bytes.be16(0) == 0xffd8u) return jpegIsTruncated(data, size);
  if (bytes.startsWith("\x89PNG\r\n\x1a\n")) return pngIsTruncated(data, size);
  if (isTiff(bytes)) return tiffIsTruncated(data, size);
  return false;
}

}  // namespace leafmargin
