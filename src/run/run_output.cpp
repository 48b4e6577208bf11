#include "run/run_output.h"

#include "run/file_path.h"
#include "run/output_file.h"

namespace leafmargin {

std::string RunOutput::path(const std::string& fileName) const {
  return joinPath(directory, fileName);
}

MaybeFailure RunOutput::writeImage(const std::string& fileName, const cv::Mat& image) const {
  if (!writeImages) return std::nullopt;
  ScopedLap lap(stopwatch, "write " + fileName);
  return writePicture(directory, fileName, image);
}

}  // namespace leafmargin
