// exiv2's view of a picture file (its size and metadata), opened quietly: exiv2 writes its
// warnings to stderr unless muted, and the program has its own messages.
#pragma once

#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>  // not included by exiv2.hpp
#include <memory>
#include <string>

namespace leafmargin {

// The file at path or the bytes, with its metadata read; nullptr when exiv2 does not know the
// format or the metadata cannot be read.
std::unique_ptr<Exiv2::Image> openWithExiv2(const std::string& path);
std::unique_ptr<Exiv2::Image> openWithExiv2(const unsigned char* data, std::size_t size);

// True for the formats exiv2 reads that cv::imread decodes too: JPEG, PNG, TIFF, BMP, WebP and
// JPEG 2000 (not the camera raw formats, GIF or PSD, which cv::imread does not take).
bool isDecodableType(int exiv2ImageType);

}  // namespace leafmargin
