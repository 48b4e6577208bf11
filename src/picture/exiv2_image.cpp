#include "picture/exiv2_image.h"

#include <climits>

namespace leafmargin {

namespace {

std::unique_ptr<Exiv2::Image> readMetadata(Exiv2::Image::AutoPtr image) {
  if (image.get() == nullptr) return nullptr;
  image->readMetadata();
  return std::unique_ptr<Exiv2::Image>(image.release());
}

}  // namespace

std::unique_ptr<Exiv2::Image> openWithExiv2(const std::string& path) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  try {
    return readMetadata(Exiv2::ImageFactory::open(path, false));
  } catch (const std::exception&) {  // Exiv2::AnyError and allocation failures alike
    return nullptr;
  }
}

std::unique_ptr<Exiv2::Image> openWithExiv2(const unsigned char* data, std::size_t size) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  if (size == 0 || size > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  try {
    return readMetadata(Exiv2::ImageFactory::open(data, static_cast<long>(size)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool isDecodableType(int exiv2ImageType) {
  switch (exiv2ImageType) {
    case Exiv2::ImageType::jpeg:
    case Exiv2::ImageType::png:
    case Exiv2::ImageType::tiff:
    case Exiv2::ImageType::bmp:
    case Exiv2::ImageType::webp:
    case Exiv2::ImageType::jp2:
      return true;
    default:
      return false;
  }
}

}  // namespace leafmargin
