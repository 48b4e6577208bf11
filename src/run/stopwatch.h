// Wall-clock laps of named steps, for the benchmark. A run without a stopwatch (the program, the
// tests) pays nothing: a lap on a null stopwatch does not even read the clock.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace leafmargin {

struct Stopwatch {
  // Name and seconds of each lap, in the order the laps ended.
  std::vector<std::pair<std::string, double>> laps;
};

// Records the wall time from construction to destruction as one lap of stopwatch, if any.
class ScopedLap {
 public:
  ScopedLap(Stopwatch* stopwatch, std::string name);
  ~ScopedLap();
  ScopedLap(const ScopedLap&) = delete;
  ScopedLap& operator=(const ScopedLap&) = delete;

 private:
  Stopwatch* stopwatch_;
  std::string name_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace leafmargin
