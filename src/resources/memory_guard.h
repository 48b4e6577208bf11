// Memory guard: a run's cost grows with the picture's pixels (a whole run with GrabCut needs about
// a hundred bytes a pixel, so a large scan can need gigabytes). Before the work starts, the
// driver compares its estimate with the memory this process may still use (available memory,
// the cgroup limit, the address-space limit), so that a run that cannot fit ends with a clear
// message instead of being killed by the system.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

namespace leafmargin {

// Bytes a run costing bytesPerPixel is expected to need for a picture of this size, its fixed
// memory included; saturates at UINT64_MAX for the sides a header may state.
std::uint64_t estimatedBytes(cv::Size pictureSize, std::uint64_t bytesPerPixel);

// Bytes this process may still allocate, the smallest of MemAvailable, the cgroup's remaining
// limit and the remaining address-space limit; nullopt when none of them can be read.
std::optional<std::uint64_t> availableMemoryBytes();

// The message for a picture that does not fit, or an empty text when it fits (or when the
// available memory is unknown).
std::string memoryShortageMessage(cv::Size pictureSize, std::uint64_t neededBytes,
                                  std::optional<std::uint64_t> available);

}  // namespace leafmargin
