// Turns arbitrary bytes into inputs of the program and runs them, for the fuzz targets and for
// the regression test that replays the kept corpus. Each run checks what must hold whatever the
// input (list sizes, value ranges, the shape of the table) and returns the first violation;
// a crash, a sanitizer report or an uncaught exception is a failure by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace leafmargin::fuzz {

// Longest outline the analysis target builds: a real margin at 1200 dpi stays well below it,
// and the apical search grows with the square of a flank's length.
constexpr std::size_t kMaxOutlinePoints = 30000;
constexpr int kMaxPictureSide = 1024;
// Decoded pictures up to this size go through segmentation and outline sampling.
constexpr int kMaxSegmentedSide = 64;

// What the analysis after segmentation receives, built from bytes:
//   byte 0..1  picture width - 1 (little endian, modulo kMaxPictureSide)
//   byte 2..3  picture height - 1
//   byte 4..5  start x, byte 6..7 start y (modulo width, height)
//   byte 8     mode m: m / 3 odd sends the case through the outline stage (below); otherwise
//              m % 3 picks the foreground: 0 the region above the outline, 1 nothing,
//              2 everything
//   then one byte per run: low 3 bits a direction (0 east, then clockwise on screen: 1
//   south-east, 2 south, ... 7 north-east), high 5 bits the run length - 1.
// Every step is clamped to the picture and repeated points are dropped, so the outline is a
// dense 8-connected open chain of at most kMaxOutlinePoints points; it may cross itself, turn
// back, or run along a column. Missing header bytes read as 0.
// Through the outline stage, the foreground (and the Otsu mask) is the region above the
// outline, and the leaf outline and its smooth companion are what contour choice, border
// trimming and sampling make of that region's external contours.
struct AnalysisCase {
  cv::Size pictureSize;
  std::vector<cv::Point> leafOutline;
  std::vector<cv::Point> smoothOutline;  // built as the outline stage builds it
  cv::Mat foregroundMask;                // 8-bit, 0/255
  cv::Mat sourceImage;                   // 8-bit BGR, a flat grey
  bool throughOutlineStage = false;
};

AnalysisCase analysisCaseFromBytes(const std::uint8_t* data, std::size_t size);

// Runs margin analysis, tooth measurement and the table composition on the bytes' case, images
// off and trace discarded. Returns "" or a description of the first broken invariant.
std::string runAnalysisCase(const std::uint8_t* data, std::size_t size);

// Decodes the bytes as the program reads a picture file (8-bit colour); a decodable picture of
// at most kMaxSegmentedSide on each side and at least 11 rows then goes through segmentation
// and outline sampling, and through the analysis when an outline comes out. Returns "" or a
// description of the first broken invariant.
std::string runDecodeCase(const std::uint8_t* data, std::size_t size);

// Reads the bytes as a picture file is read before and besides decoding: the size in its
// header, its stored resolution and whether it ends early (picture_file_case.cpp). Returns ""
// or a description of the first broken invariant.
std::string runPictureFileCase(const std::uint8_t* data, std::size_t size);

// True when consecutive points are 8-neighbours and never equal.
bool isDenseChain(const std::vector<cv::Point>& chain);

}  // namespace leafmargin::fuzz
