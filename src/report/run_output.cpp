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
  ScopedLap lap(*this, "write " + fileName);
  try {
    cv::imwrite(path(fileName), image);
  } catch (const cv::Exception&) {
    // A diagnostic image that cannot be written does not stop the analysis.
  }
}

ScopedLap::ScopedLap(const RunOutput& out, std::string name)
    : timings_(out.timings), name_(std::move(name)) {
  if (timings_) start_ = std::chrono::steady_clock::now();
}

ScopedLap::~ScopedLap() {
  if (!timings_) return;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
  timings_->seconds.emplace_back(name_, elapsed.count());
}

}  // namespace leafmargin
