// How the program runs GrabCut: its own implementation (the default) or the library's
// cv::grabCut, on how many threads, and whether it reports each iteration. None of these change
// the resulting mask; they change only the time and memory a run takes.
#pragma once

#include <ostream>

namespace leafmargin {

enum class GrabCutEngine { Own, Library };

struct GrabCutSettings {
  GrabCutEngine engine = GrabCutEngine::Own;
  int threads = 0;                  // 0: the cores this process may use
  std::ostream* progress = nullptr; // one line per iteration when set
};

}  // namespace leafmargin
