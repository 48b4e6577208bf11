#include "run/run_output.h"

#include <opencv2/imgcodecs.hpp>

#include "run/file_path.h"

namespace leafmargin {

std::string RunOutput::path(const std::string& fileName) const {
  return joinPath(directory, fileName);
}

void RunOutput::writeImage(const std::string& fileName, const cv::Mat& image) const {
  if (!writeImages) return;
  ScopedLap lap(stopwatch, "write " + fileName);
  try {
    cv::imwrite(path(fileName), image);
  } catch (const cv::Exception&) {
    // A diagnostic image that cannot be written does not stop the analysis.
  }
}

}  // namespace leafmargin
