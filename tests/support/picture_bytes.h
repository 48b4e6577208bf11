// Picture files with crafted headers for the tests: encoded by OpenCV, then patched byte by
// byte (JFIF density, an inserted PNG chunk, a cut tail), so that no binary file is kept.
#pragma once

#include <cstdint>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

namespace leafmargin::testing {

using Bytes = std::vector<unsigned char>;

inline Bytes encodePicture(const std::string& extension, const cv::Mat& picture,
                           const std::vector<int>& parameters = {}) {
  Bytes bytes;
  cv::imencode(extension, picture, bytes, parameters);
  return bytes;
}

inline cv::Mat noisePicture(int width, int height) {
  cv::Mat picture(height, width, CV_8UC3);
  cv::randu(picture, 0, 255);
  return picture;
}

inline std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline void putBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i)
    bytes[at + i] = static_cast<unsigned char>(value >> (8 * (count - 1 - i)));
}

// OpenCV writes its JPEGs with a JFIF segment right after the start marker (units 0, 1:1).
inline Bytes withJfifDensity(Bytes jpeg, int units, int x, int y) {
  jpeg[13] = static_cast<unsigned char>(units);
  putBigEndian(jpeg, 14, static_cast<std::uint32_t>(x), 2);
  putBigEndian(jpeg, 16, static_cast<std::uint32_t>(y), 2);
  return jpeg;
}

// A JPEG segment (marker 0xffXX with its payload) inserted right after the start marker.
inline Bytes withJpegSegment(Bytes jpeg, unsigned char marker, const std::string& payload) {
  Bytes segment{0xff, marker, 0, 0};
  putBigEndian(segment, 2, static_cast<std::uint32_t>(payload.size() + 2), 2);
  segment.insert(segment.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  return jpeg;
}

inline std::uint32_t pngCrc(const unsigned char* data, std::size_t size) {
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xffffffffu;
}

// A chunk inserted after IHDR (which OpenCV writes first, 13 bytes of data).
inline Bytes withPngChunk(Bytes png, const std::string& type, const Bytes& data) {
  Bytes chunk(4);
  putBigEndian(chunk, 0, static_cast<std::uint32_t>(data.size()), 4);
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  const std::uint32_t crc = pngCrc(chunk.data() + 4, chunk.size() - 4);
  chunk.resize(chunk.size() + 4);
  putBigEndian(chunk, chunk.size() - 4, crc, 4);
  png.insert(png.begin() + 8 + 25, chunk.begin(), chunk.end());
  return png;
}

inline Bytes pngPhys(std::uint32_t x, std::uint32_t y, unsigned char unit) {
  Bytes data(9);
  putBigEndian(data, 0, x, 4);
  putBigEndian(data, 4, y, 4);
  data[8] = unit;
  return data;
}

inline Bytes withoutTail(Bytes bytes, std::size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

}  // namespace leafmargin::testing
