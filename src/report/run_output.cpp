#include "report/run_output.h"

#include <opencv2/imgcodecs.hpp>

namespace leafmargin {

std::string RunOutput::path(const std::string& fileName) const {
  if (directory.empty()) return fileName;
  if (directory.back() == '/') return directory + fileName;
  return directory + "/" + fileName;
}

void RunOutput::writeImage(const std::string& fileName, const cv::Mat& image) const {
  if (!writeImages) return;
  try {
    cv::imwrite(path(fileName), image);
  } catch (const cv::Exception&) {
    // A diagnostic image that cannot be written does not stop the analysis.
  }
}

}  // namespace leafmargin
