#include "run/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "run/atomic_file.h"
#include "run/file_path.h"

namespace leafmargin {

namespace {

constexpr const char* kNotEncoded = "the picture cannot be encoded";

std::string errorText(int error) { return std::strerror(error != 0 ? error : EIO); }

// Writes bytes over path (created or truncated) and closes it; 0 or the errno of the first
// step that failed.
int writeInPlace(const std::string& path, const std::string& bytes) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return errno != 0 ? errno : EIO;
  int error = 0;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fflush(file) != 0)
    error = errno != 0 ? errno : EIO;
  errno = 0;
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

// The bytes cv::imwrite would write for image under fileName; false when it cannot be encoded.
bool encodePicture(const std::string& fileName, const cv::Mat& image, std::string& bytes) {
  std::vector<uchar> encoded;
  try {
    if (!cv::imencode(std::filesystem::path(fileName).extension().string(), image, encoded))
      return false;
  } catch (const cv::Exception& e) {
    if (e.code == cv::Error::StsNoMem) throw;  // the run's memory failure, not this file's
    return false;
  }
  bytes.assign(encoded.begin(), encoded.end());
  return true;
}

}  // namespace

Failure notWrittenFailure(const std::string& directory, const std::string& fileName,
                          const std::string& reason) {
  const std::string where = directory.empty() ? "the working directory" : directory;
  return {kExitNotWritten, "Cannot write " + fileName + " in " + where + ": " + reason};
}

MaybeFailure writeFileAtomically(const std::string& directory, const std::string& fileName,
                                 const std::string& bytes) {
  const int error = replaceFileAtomically(joinPath(directory, fileName), bytes);
  if (error == 0) return std::nullopt;
  return notWrittenFailure(directory, fileName, errorText(error));
}

MaybeFailure writePicture(const std::string& directory, const std::string& fileName,
                          const cv::Mat& image) {
  std::string bytes;
  if (!encodePicture(fileName, image, bytes)) return notWrittenFailure(directory, fileName, kNotEncoded);
  const int error = writeInPlace(joinPath(directory, fileName), bytes);
  if (error == 0) return std::nullopt;
  return notWrittenFailure(directory, fileName, errorText(error));
}

MaybeFailure writePictureAtomically(const std::string& directory, const std::string& fileName,
                                    const cv::Mat& image) {
  std::string bytes;
  if (!encodePicture(fileName, image, bytes)) return notWrittenFailure(directory, fileName, kNotEncoded);
  return writeFileAtomically(directory, fileName, bytes);
}

}  // namespace leafmargin
