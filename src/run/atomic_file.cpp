#include "run/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run/file_path.h"

namespace leafmargin {

namespace {

int lastError() { return errno != 0 ? errno : EIO; }

// Writes bytes to a new file at path and closes it, checking every step. Returns errno of the
// first failure, or 0; created tells whether a file was made (and must be removed on failure).
int writeWholeFile(const std::string& path, const std::string& bytes, bool& created) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  created = file != nullptr;
  if (file == nullptr) return lastError();

  int error = 0;
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
      std::fflush(file) != 0 || fsync(fileno(file)) != 0) {
    error = lastError();
  }
  errno = 0;
  if (std::fclose(file) != 0 && error == 0) error = lastError();
  return error;
}

}  // namespace

int replaceFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  bool created = false;
  int error = writeWholeFile(temporary, bytes, created);
  if (error == 0) {
    errno = 0;
    if (std::rename(temporary.c_str(), path.c_str()) != 0) error = lastError();
  }
  // Only a file this call made is removed; whatever stood in its way is left alone.
  if (error != 0 && created) std::remove(temporary.c_str());
  return error;
}

}  // namespace leafmargin
