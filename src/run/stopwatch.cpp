#include "run/stopwatch.h"

namespace leafmargin {

ScopedLap::ScopedLap(Stopwatch* stopwatch, std::string name)
    : stopwatch_(stopwatch), name_(std::move(name)) {
  if (stopwatch_) start_ = std::chrono::steady_clock::now();
}

ScopedLap::~ScopedLap() {
  if (!stopwatch_) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  stopwatch_->laps.emplace_back(name_, elapsed.count());
}

}  // namespace leafmargin
