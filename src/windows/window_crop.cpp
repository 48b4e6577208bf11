#include "windows/window_crop.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "windows/outline_windows.h"

namespace leafmargin {

namespace {

constexpr double kMaxTurnDegrees = 100.0;  // the course may leave the chord's direction by this much
constexpr int kCourseHalfSpan = 250;      // pixels of outline on each side that set the course
constexpr int kMinBandRows = 60;          // leaf rows above the stretch's highest point
constexpr double kMinBandArea = 120000.0; // ... and at least this many pixels in them (the
                                          // analysis takes a leaf of more than 100000)
constexpr int kGroundRows = 40;           // ground rows below the stretch's lowest point
constexpr double kMinChord = 100.0;

int bandRowsFor(double chord) {
  return std::max(kMinBandRows, static_cast<int>(std::ceil(kMinBandArea / std::max(chord, 1.0))));
}

}  // namespace

bool turnsBack(const std::vector<cv::Point>& stretch) {
  return largestTurnFromChord(stretch, kCourseHalfSpan) > kMaxTurnDegrees;
}

WindowCrop cutWindowCrop(const std::vector<cv::Point>& stretch) {
  WindowCrop crop;
  const double chord = stretch.empty() ? 0.0 : cv::norm(stretch.back() - stretch.front());
  if (chord < kMinChord) {
    crop.rejection = "stretch too short";
    return crop;
  }
  if (turnsBack(stretch)) {
    crop.rejection = "outline turns back";
    return crop;
  }
  const int bandRows = bandRowsFor(chord);
  crop.transform = cropTransformFor(stretch, bandRows);

  std::vector<cv::Point> polygon = turnedStretch(stretch, crop.transform);
  int bottom = 0;
  for (const cv::Point& q : polygon) bottom = std::max(bottom, q.y);
  const cv::Size size(std::max(2, polygon.back().x + 1),
                      bottom + kGroundRows + 1);
  polygon.emplace_back(size.width - 1, 0);
  polygon.emplace_back(0, 0);
  // The leaf is everything above the stretch, so the crop's one outline is the stretch itself.
  crop.foreground = cv::Mat::zeros(size, CV_8UC1);
  cv::fillPoly(crop.foreground, std::vector<std::vector<cv::Point>>{polygon}, cv::Scalar(255));
  crop.picture = cv::Mat(size, CV_8UC3, kCropGround);
  crop.picture.setTo(kCropLeaf, crop.foreground);
  return crop;
}

cv::Mat cropOfScan(const cv::Mat& scan, const WindowCrop& crop, const cv::Matx23d& scanToWorking) {
  const cv::Matx33d toWorking(scanToWorking(0, 0), scanToWorking(0, 1), scanToWorking(0, 2),
                              scanToWorking(1, 0), scanToWorking(1, 1), scanToWorking(1, 2), 0, 0, 1);
  const cv::Matx33d toCrop(crop.transform.toCrop(0, 0), crop.transform.toCrop(0, 1),
                           crop.transform.toCrop(0, 2), crop.transform.toCrop(1, 0),
                           crop.transform.toCrop(1, 1), crop.transform.toCrop(1, 2), 0, 0, 1);
  const cv::Matx33d both = toCrop * toWorking;
  const cv::Matx23d scanToCrop(both(0, 0), both(0, 1), both(0, 2), both(1, 0), both(1, 1), both(1, 2));
  cv::Mat picture;
  cv::warpAffine(scan, picture, cv::Mat(scanToCrop), crop.picture.size(), cv::INTER_CUBIC,
                 cv::BORDER_CONSTANT, kCropGround);
  return picture;
}

}  // namespace leafmargin
