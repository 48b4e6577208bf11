#include "picture/picture_header.h"

#include <cctype>
#include <climits>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "picture/byte_view.h"
#include "picture/exiv2_image.h"

namespace leafmargin {

namespace {

int clampSide(std::uint64_t side) {
  return side > static_cast<std::uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(side);
}

std::optional<cv::Size> positiveSize(std::uint64_t width, std::uint64_t height) {
  if (width == 0 || height == 0) return std::nullopt;
  return cv::Size(clampSide(width), clampSide(height));
}

// Text headers of the portable formats: numbers between white space and '#' comments, as
// OpenCV's reader takes them.
class HeaderText {
 public:
  HeaderText(ByteView bytes, std::size_t position) : bytes_(bytes), at_(position) {}

  void skipBlanksAndComments() {
    while (at_ < bytes_.size) {
      const unsigned char c = bytes_.data[at_];
      if (c == '#') {
        while (at_ < bytes_.size && bytes_.data[at_] != '\n' && bytes_.data[at_] != '\r') ++at_;
      } else if (std::isspace(c)) {
        ++at_;
      } else {
        return;
      }
    }
  }
  std::optional<std::uint64_t> number() {
    skipBlanksAndComments();
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (at_ < bytes_.size && std::isdigit(bytes_.data[at_])) {
      if (++digits > 12) return std::nullopt;
      value = value * 10 + (bytes_.data[at_++] - '0');
    }
    if (digits == 0) return std::nullopt;
    return value;
  }
  std::string word() {
    skipBlanksAndComments();
    std::string text;
    while (at_ < bytes_.size && !std::isspace(bytes_.data[at_]) && text.size() < 16)
      text += static_cast<char>(bytes_.data[at_++]);
    return text;
  }

 private:
  ByteView bytes_;
  std::size_t at_;
};

bool spaceAt(ByteView bytes, std::size_t offset) {
  return bytes.has(offset, 1) && std::isspace(bytes.data[offset]);
}

// PBM, PGM, PPM ("P1" to "P6") and PFM ("PF", "Pf"): width and height after the magic.
std::optional<cv::Size> portableSize(ByteView bytes) {
  if (!bytes.has(0, 3) || bytes.data[0] != 'P' || !spaceAt(bytes, 2)) return std::nullopt;
  const unsigned char kind = bytes.data[1];
  if (!((kind >= '1' && kind <= '6') || kind == 'F' || kind == 'f')) return std::nullopt;
  HeaderText text(bytes, 2);
  const auto width = text.number();
  const auto height = text.number();
  if (!width || !height) return std::nullopt;
  return positiveSize(*width, *height);
}

// PAM ("P7"): WIDTH and HEIGHT lines up to ENDHDR.
std::optional<cv::Size> pamSize(ByteView bytes) {
  if (!bytes.startsWith("P7") || !spaceAt(bytes, 2)) return std::nullopt;
  HeaderText text(bytes, 2);
  std::optional<std::uint64_t> width, height;
  for (int field = 0; field < 64; ++field) {
    const std::string key = text.word();
    if (key.empty() || key == "ENDHDR") break;
    if (key == "WIDTH") width = text.number();
    if (key == "HEIGHT") height = text.number();
  }
  if (!width || !height) return std::nullopt;
  return positiveSize(*width, *height);
}

std::optional<cv::Size> sunRasterSize(ByteView bytes) {
  if (bytes.be32(0) != 0x59a66a95u) return std::nullopt;
  const auto width = bytes.be32(4), height = bytes.be32(8);
  if (!width || !height) return std::nullopt;
  return positiveSize(*width, *height);
}

// Radiance HDR: header lines up to an empty line, then "-Y rows +X columns", the only layout
// OpenCV's reader takes.
std::optional<cv::Size> radianceSize(ByteView bytes) {
  if (!bytes.startsWith("#?RGBE") && !bytes.startsWith("#?RADIANCE")) return std::nullopt;
  for (std::size_t i = 0; i + 1 < bytes.size; ++i) {
    if (bytes.data[i] != '\n' || bytes.data[i + 1] != '\n') continue;
    const std::size_t start = i + 2;
    const std::size_t length = std::min<std::size_t>(bytes.size - start, 64);
    const std::string line(reinterpret_cast<const char*>(bytes.data + start), length);
    int height = 0, width = 0;
    if (std::sscanf(line.c_str(), "-Y %d +X %d", &height, &width) != 2 || height <= 0 ||
        width <= 0)
      return std::nullopt;
    return cv::Size(width, height);
  }
  return std::nullopt;
}

// Bare JPEG 2000 codestream: the SIZ segment follows the SOC marker; the picture spans the
// reference grid less its offset.
std::optional<cv::Size> codestreamSize(ByteView bytes) {
  if (bytes.be32(0) != 0xff4fff51u) return std::nullopt;
  const auto xsiz = bytes.be32(8), ysiz = bytes.be32(12);
  const auto xOffset = bytes.be32(16), yOffset = bytes.be32(20);
  if (!xsiz || !ysiz || !xOffset || !yOffset || *xsiz <= *xOffset || *ysiz <= *yOffset)
    return std::nullopt;
  return positiveSize(*xsiz - *xOffset, *ysiz - *yOffset);
}

}  // namespace

std::optional<cv::Size> headerSizeOfOtherFormats(const unsigned char* data, std::size_t size) {
  const ByteView bytes{data, size};
  for (auto reader : {portableSize, pamSize, sunRasterSize, radianceSize, codestreamSize})
    if (auto found = reader(bytes)) return found;
  return std::nullopt;
}

std::optional<cv::Size> pictureSizeFromHeader(const unsigned char* data, std::size_t size) {
  if (size == 0) return std::nullopt;
  if (auto own = headerSizeOfOtherFormats(data, std::min(size, kHeaderPrefixBytes))) return own;
  const std::unique_ptr<Exiv2::Image> image = openWithExiv2(data, size);
  if (!image || !isDecodableType(image->imageType())) return std::nullopt;
  const int width = image->pixelWidth(), height = image->pixelHeight();
  if (width <= 0 || height <= 0) return std::nullopt;
  return cv::Size(width, height);
}

}  // namespace leafmargin
