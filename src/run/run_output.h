// Where a run sends its console trace and its diagnostic images. The driver owns one and lends
// it to every stage; stages never touch std::cout or fixed paths directly, so a test, the
// benchmark or a batch run can redirect both.
#pragma once

#include <opencv2/core.hpp>
#include <ostream>
#include <string>

#include "run/failure.h"
#include "run/stopwatch.h"

namespace leafmargin {

struct RunOutput {
  std::ostream& trace;
  // Folder of the diagnostic images and of results.csv; empty means the working directory.
  std::string directory;
  // False skips every diagnostic image (benchmarks and fuzzing); results.csv is not affected.
  bool writeImages = true;
  // When set, stages and image writes record their wall time here (the benchmark).
  Stopwatch* stopwatch = nullptr;

  std::string path(const std::string& fileName) const;
  // Writes a diagnostic image as cv::imwrite with no parameters would; the failure names the
  // file when it cannot be written, and the stage that wrote it ends the run there. Nothing
  // is written, and nothing fails, when writeImages is false.
  [[nodiscard]] MaybeFailure writeImage(const std::string& fileName, const cv::Mat& image) const;
};

}  // namespace leafmargin
