// Memory guard for GrabCut: the whole run costs about 100 bytes per pixel with the program's own
// GrabCut and 210 with cv::grabCut, so a large scan can need gigabytes. Before it runs, the driver compares that estimate with the memory this process may
// still use (available memory, the cgroup limit, the address-space limit), so that a run that
// cannot fit ends with a clear message instead of being killed by the system.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

#include "segmentation/grabcut_settings.h"

namespace leafmargin {

// Bytes GrabCut and the rest of the run are expected to need for a picture of this size.
std::uint64_t estimatedRunBytes(cv::Size pictureSize, GrabCutEngine engine = GrabCutEngine::Own);

// Bytes this process may still allocate, the smallest of MemAvailable, the cgroup's remaining
// limit and the remaining address-space limit; nullopt when none of them can be read.
std::optional<std::uint64_t> availableMemoryBytes();

// The message for a picture that does not fit, or an empty text when it fits (or when the
// available memory is unknown).
std::string memoryShortageMessage(cv::Size pictureSize, std::optional<std::uint64_t> available,
                                  GrabCutEngine engine = GrabCutEngine::Own);

}  // namespace leafmargin
