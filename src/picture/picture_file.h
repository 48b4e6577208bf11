// A picture file read once into memory: the checks that look at the file itself (the size its
// header states, its stored resolution, whether it ends early) and the decoding all work from
// these bytes, so the file is opened once per run. Nothing here changes the bytes.
#pragma once

#include <cstddef>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace leafmargin {

struct PictureFile {
  std::vector<unsigned char> bytes;  // the whole file; empty when it could not be read
  int error = 0;                     // errno of the failed read (ENOENT, EISDIR, ...); 0 when read
};

// Reads the whole file at path. A folder is an error (EISDIR), not an empty file.
PictureFile readPictureFile(const std::string& path);

// The file decoded as 8-bit BGR (grey, 16-bit and alpha pictures converted), as cv::imread with
// IMREAD_COLOR decodes it; an empty Mat when the bytes are not a picture OpenCV reads. DICOM
// files are refused without being decoded (see looksLikeDicom).
cv::Mat decodeLeafPicture(const std::vector<unsigned char>& bytes);

// readPictureFile, then decodeLeafPicture.
cv::Mat readLeafPicture(const std::string& path);

// Why a picture could not be read, in a few words: "no such file", "a folder", "an empty file",
// "not a picture format OpenCV reads", or the system's text for another read error.
std::string unreadableReason(const PictureFile& file);

// True for bytes that open like a DICOM file: "DICM" after a 128-byte preamble. OpenCV hands
// such a file to a decoder that aborts the whole process when the file is damaged, and a leaf
// scan is never a DICOM file, so the reader treats them as unreadable.
bool looksLikeDicom(const unsigned char* data, std::size_t size);

}  // namespace leafmargin
