#include "resources/memory_guard.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace leafmargin {

namespace {

constexpr std::uint64_t kBaseBytes = 64ull << 20;
constexpr std::uint64_t kMiB = 1ull << 20;

// Value in kB of a "Key:   1234 kB" line of a /proc file.
std::optional<std::uint64_t> procKiB(const char* file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0 || line.size() <= key.size() || line[key.size()] != ':')
      continue;
    std::istringstream fields(line.substr(key.size() + 1));
    std::uint64_t kib = 0;
    if (fields >> kib) return kib;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> readNumber(const char* file) {
  std::ifstream in(file);
  std::string text;
  if (!(in >> text) || text == "max") return std::nullopt;
  try {
    return std::stoull(text);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void keepSmaller(std::optional<std::uint64_t>& best, std::optional<std::uint64_t> candidate) {
  if (candidate && (!best || *candidate < *best)) best = candidate;
}

}  // namespace

std::uint64_t estimatedBytes(cv::Size pictureSize, std::uint64_t perPixel) {
  const std::uint64_t pixels =
      static_cast<std::uint64_t>(std::max(pictureSize.width, 0)) * std::max(pictureSize.height, 0);
  // A header may state sides up to INT_MAX: saturate rather than wrap around.
  if (pixels > (UINT64_MAX - kBaseBytes) / perPixel) return UINT64_MAX;
  return pixels * perPixel + kBaseBytes;
}

std::optional<std::uint64_t> availableMemoryBytes() {
  std::optional<std::uint64_t> best;
  if (auto kib = procKiB("/proc/meminfo", "MemAvailable")) keepSmaller(best, *kib * 1024);

  const auto limit = readNumber("/sys/fs/cgroup/memory.max");
  const auto current = readNumber("/sys/fs/cgroup/memory.current");
  if (limit && current) keepSmaller(best, *limit > *current ? *limit - *current : 0);

  rlimit as{};
  if (getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
    const std::uint64_t used = procKiB("/proc/self/status", "VmSize").value_or(0) * 1024;
    keepSmaller(best, as.rlim_cur > used ? as.rlim_cur - used : 0);
  }
  return best;
}

std::string memoryShortageMessage(cv::Size pictureSize, std::uint64_t needed,
                                  std::optional<std::uint64_t> available) {
  if (!available || needed <= *available) return "";
  std::ostringstream text;
  text << "Not enough memory to segment a " << pictureSize.width << " x " << pictureSize.height
       << " picture: about " << needed / kMiB << " MiB needed, " << *available / kMiB
       << " MiB available";
  return text.str();
}

}  // namespace leafmargin
