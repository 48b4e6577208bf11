// The size of a picture as its file's header states it, read before anything is decoded, so
// that a picture too large for the memory left is refused before cv::imread allocates it.
// exiv2 reads the headers of JPEG, PNG, TIFF, BMP, WebP and JPEG 2000 files; the program's own
// readers those of the other formats cv::imread takes: PBM/PGM/PPM, PAM, PFM, Sun raster,
// Radiance HDR and bare JPEG 2000 codestreams. Nothing is promised about the pixels.
#pragma once

#include <cstddef>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

namespace leafmargin {

// The first bytes of a file that the program's own readers look at.
constexpr std::size_t kHeaderPrefixBytes = 4096;

// Width and height from the header of a picture file's bytes; nullopt when there are none, the
// format has no header reader here, or the header states no positive size. Sides beyond
// INT_MAX read as INT_MAX.
std::optional<cv::Size> pictureSizeFromHeader(const unsigned char* data, std::size_t size);

// The program's own readers, on the first bytes of a file (kHeaderPrefixBytes are enough).
std::optional<cv::Size> headerSizeOfOtherFormats(const unsigned char* data, std::size_t size);

}  // namespace leafmargin
