// Where a run sends its console trace and its diagnostic images. The driver owns one and hands
// it to every stage; stages never touch std::cout or fixed paths directly, so a test, the
// benchmark or a batch run can redirect both.
#pragma once

#include <chrono>
#include <opencv2/core.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace leafmargin {

// Wall-clock laps of named steps, in the order they ended; filled only when a run asks for it.
struct StageTimings {
  std::vector<std::pair<std::string, double>> seconds;
};

struct RunOutput {
  std::ostream& trace;
  // Folder of the diagnostic images and of results.csv; empty means the working directory.
  std::string directory;
  // False skips every diagnostic image (benchmarks and fuzzing); results.csv is not affected.
  bool writeImages = true;
  // When set, stages and image writes record their wall time here (the benchmark).
  StageTimings* timings = nullptr;

  std::string path(const std::string& fileName) const;
  // cv::imwrite with no parameters; a failed write is ignored, as for every diagnostic image.
  void writeImage(const std::string& fileName, const cv::Mat& image) const;
};

// Records the wall time from construction to destruction as one lap of out.timings, if any.
class ScopedLap {
 public:
  ScopedLap(const RunOutput& out, std::string name);
  ~ScopedLap();
  ScopedLap(const ScopedLap&) = delete;
  ScopedLap& operator=(const ScopedLap&) = delete;

 private:
  StageTimings* timings_;
  std::string name_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace leafmargin
