// The reading of a picture file besides its pixels, on arbitrary bytes: the program's own
// header, density and layout readers, and the exiv2 calls the program makes on every file.
// Out-of-bounds reads are the sanitizers' to find; the results must keep their promises.
#include "fuzz_cases.h"
#include "picture/picture_header.h"
#include "picture/stored_resolution.h"
#include "picture/truncated_picture.h"

namespace leafmargin::fuzz {

std::string runPictureFileCase(const std::uint8_t* data, std::size_t size) {
  if (const auto stated = headerSizeOfOtherFormats(data, size)) {
    if (stated->width <= 0 || stated->height <= 0) return "a header size that is not positive";
  }
  if (const auto dpi = storedResolutionDpi(data, size)) {
    if (!(*dpi >= 50.0 && *dpi <= 20000.0)) return "an implausible resolution counted";
  }
  jpegIsTruncated(data, size);
  pngIsTruncated(data, size);
  pictureIsTruncated(data, size);  // and the TIFF layout through exiv2
  return "";
}

}  // namespace leafmargin::fuzz
