// How the program runs GrabCut: its own implementation (the default) or the library's
// cv::grabCut, on how many threads, and whether it reports each iteration. None of these change
// the resulting mask; they change only the time and memory a run takes.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <ostream>

#include "resources/memory_guard.h"

namespace leafmargin {

enum class GrabCutEngine { Own, Library };

struct GrabCutSettings {
  GrabCutEngine engine = GrabCutEngine::Own;
  int threads = 0;                  // 0: the cores this process may use
  std::ostream* progress = nullptr; // one line per iteration when set
};

// Peak resident bytes per pixel of a whole run of one picture with this GrabCut, measured by the
// benchmark over several sizes: about 100 with the own GrabCut, 210 with cv::grabCut (about 200
// for cv::grabCut itself, the rest for the run's pictures).
constexpr std::uint64_t runBytesPerPixel(GrabCutEngine engine) {
  return engine == GrabCutEngine::Own ? 100 : 210;
}

// Bytes a whole run of one picture of this size is expected to need with this GrabCut.
inline std::uint64_t estimatedRunBytes(cv::Size pictureSize, GrabCutEngine engine = GrabCutEngine::Own) {
  return estimatedBytes(pictureSize, runBytesPerPixel(engine));
}

}  // namespace leafmargin
