#include "resources/memory_budget.h"

namespace leafmargin {

bool MemoryBudget::acquire(std::uint64_t bytes) {
  if (!available_) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  if (bytes > *available_) return false;
  fits_.wait(lock, [&] { return used_ + bytes <= *available_; });
  used_ += bytes;
  return true;
}

void MemoryBudget::release(std::uint64_t bytes) {
  if (!available_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    used_ -= bytes;
  }
  fits_.notify_all();
}

}  // namespace leafmargin
