#include "picture/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <opencv2/imgcodecs.hpp>

namespace leafmargin {

namespace {
constexpr std::size_t kDicomMagicOffset = 128;
constexpr std::size_t kReadChunk = 1 << 20;
}  // namespace

PictureFile readPictureFile(const std::string& path) {
  PictureFile file;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    file.error = errno;
    return file;
  }
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    file.error = EISDIR;
    return file;
  }
  if (S_ISREG(info.st_mode) && info.st_size > 0) file.bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::vector<unsigned char> chunk(kReadChunk);
  for (;;) {
    const ssize_t got = ::read(fd, chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      file.error = errno;
      file.bytes.clear();
      break;
    }
    if (got == 0) break;
    file.bytes.insert(file.bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  ::close(fd);
  return file;
}

bool looksLikeDicom(const unsigned char* data, std::size_t size) {
  return size >= kDicomMagicOffset + 4 && std::memcmp(data + kDicomMagicOffset, "DICM", 4) == 0;
}

cv::Mat decodeLeafPicture(const std::vector<unsigned char>& bytes) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return cv::Mat();
  if (looksLikeDicom(bytes.data(), bytes.size())) return cv::Mat();
  try {
    const cv::Mat buffer(1, static_cast<int>(bytes.size()), CV_8UC1,
                         const_cast<unsigned char*>(bytes.data()));
    return cv::imdecode(buffer, cv::IMREAD_COLOR);
  } catch (const cv::Exception&) {
    return cv::Mat();
  }
}

cv::Mat readLeafPicture(const std::string& path) {
  return decodeLeafPicture(readPictureFile(path).bytes);
}

std::string unreadableReason(const PictureFile& file) {
  if (file.error == ENOENT) return "no such file";
  if (file.error == EISDIR) return "a folder";
  if (file.error != 0) return std::strerror(file.error);
  if (file.bytes.empty()) return "an empty file";
  return "not a picture format OpenCV reads";
}

}  // namespace leafmargin
