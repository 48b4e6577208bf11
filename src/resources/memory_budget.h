// Memory that jobs running at once may hold together: a job waits until its share fits beside
// the others', and is refused only when it does not fit even alone. Without a known amount of
// available memory every job is let through.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace leafmargin {

class MemoryBudget {
 public:
  explicit MemoryBudget(std::optional<std::uint64_t> available) : available_(available) {}

  // Waits until bytes fit and takes them; false (nothing taken) when they never can.
  bool acquire(std::uint64_t bytes);
  void release(std::uint64_t bytes);

 private:
  std::optional<std::uint64_t> available_;
  std::uint64_t used_ = 0;
  std::mutex mutex_;
  std::condition_variable fits_;
};

// Holds bytes of a budget for as long as it lives.
class BudgetShare {
 public:
  BudgetShare(MemoryBudget& budget, std::uint64_t bytes)
      : budget_(budget), bytes_(bytes), held_(budget.acquire(bytes)) {}
  ~BudgetShare() {
    if (held_) budget_.release(bytes_);
  }
  BudgetShare(const BudgetShare&) = delete;
  BudgetShare& operator=(const BudgetShare&) = delete;
  bool held() const { return held_; }

 private:
  MemoryBudget& budget_;
  std::uint64_t bytes_;
  bool held_;
};

}  // namespace leafmargin
