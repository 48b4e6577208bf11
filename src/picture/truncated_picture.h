// Whether a picture file ends before its own layout does, so that the decoder had to stop
// early and filled the rest of the picture itself: cv::imread still returns a picture then
// (libjpeg pads a cut JPEG with grey), and the run warns that its results may be wrong.
// Checked from the file's structure, without decoding: a JPEG must reach its end marker, a
// PNG its IEND chunk with every chunk whole, and a TIFF's strips and tiles must lie inside the
// file. Other formats are never reported.
#pragma once

#include <cstddef>
#include <string>

namespace leafmargin {

bool jpegIsTruncated(const unsigned char* data, std::size_t size);
bool pngIsTruncated(const unsigned char* data, std::size_t size);
bool tiffIsTruncated(const unsigned char* data, std::size_t size);  // read by exiv2

// The check of the file's format (false for formats not checked).
bool pictureIsTruncated(const unsigned char* data, std::size_t size);

}  // namespace leafmargin
