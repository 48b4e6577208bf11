#include "outline/leaf_outline.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "geometry/angles.h"
#include "geometry/chain.h"
#include "geometry/numeric.h"
#include "run/trace_markers.h"

namespace leafmargin {

namespace {
constexpr double kMinLeafArea = 100000.0;
constexpr int kBorderBand = 10;
constexpr int kSmoothHalfWidth = 35;
constexpr int kEnclosedSamples = 300;
// The message of a run whose leaf contour leaves nothing to densify.
constexpr char kEmptyContourMessage[] = "Erreur à getAllPointsOfContour : contour.size()=0";
}  // namespace

bool isEnclosedContour(const std::vector<cv::Point>& contour, const cv::Mat& binaryImage) {
  const std::optional<cv::Point> centre = contourCenter(contour);
  if (!centre) return false;
  const cv::Point c = *centre;
  double radius = 0.0;
  for (const cv::Point& p : contour) radius = std::max(radius, pointDistance(c, p));
  radius += 3.0;
  int counted = 0;
  for (int d = 0; d < 360; ++d) {
    const double a = degToRad(d);
    const int x = truncToInt(std::cos(a) * radius + c.x);
    const int y = truncToInt(std::sin(a) * radius + c.y);
    if (x > 0 && x < binaryImage.cols && y > 0 && y < binaryImage.rows &&
        binaryImage.at<uchar>(y, x) == 255)
      ++counted;
  }
  return counted > kEnclosedSamples;
}

int chooseLeafContour(const std::vector<std::vector<cv::Point>>& contours,
                      const std::vector<cv::Vec4i>& hierarchy, const cv::Mat& binaryImage,
                      cv::Mat& contourDrawing) {
  cv::RNG rng(12345);
  int leaf = -1;
  for (size_t i = 0; i < contours.size(); ++i) {
    const int red = rng.uniform(0, 255);
    const int green = rng.uniform(0, 255);
    const int blue = rng.uniform(0, 255);
    if (!contourDrawing.empty())
      cv::drawContours(contourDrawing, contours, static_cast<int>(i),
                       cv::Scalar(blue, green, red, 0), 2, cv::LINE_8, hierarchy, 0,
                       cv::Point(0, 0));
    if (cv::contourArea(contours[i], false) > kMinLeafArea &&
        !isEnclosedContour(contours[i], binaryImage))
      leaf = static_cast<int>(i);
  }
  return leaf;
}

std::vector<cv::Point> trimBorder(const std::vector<cv::Point>& contour, cv::Size size) {
  std::vector<cv::Point> kept;
  for (size_t k = 1; k < contour.size(); ++k) {
    const cv::Point p = contour[k];
    if (p.x > kBorderBand && p.x < size.width - kBorderBand && p.y > kBorderBand &&
        p.y < size.height - kBorderBand)
      kept.push_back(p);
  }
  return kept;
}

bool sampleOutline(const std::vector<cv::Point>& trimmed, cv::Size size,
                   std::vector<cv::Point>& leafOutline, std::vector<cv::Point>& smoothOutline) {
  const std::optional<std::vector<cv::Point>> dense = getAllPointsOfContour(trimmed, size);
  if (!dense || dense->empty()) return false;
  leafOutline = removeConsecutiveDuplicates(*dense);
  const std::optional<std::vector<cv::Point>> smoothDense =
      getAllPointsOfContour(smoothContour(leafOutline, kSmoothHalfWidth), size);
  smoothOutline = removeConsecutiveDuplicates(*smoothDense);
  return true;
}

namespace {
void drawPolyline(cv::Mat& image, const std::vector<cv::Point>& chain, const cv::Scalar& colour) {
  if (chain.size() <= 1) return;
  for (size_t k = 0; k + 1 < chain.size(); ++k)
    cv::line(image, chain[k], chain[k + 1], colour, 1, cv::LINE_8, 0);
}
}  // namespace

LeafOutline extractLeafOutline(const std::vector<std::vector<cv::Point>>& contours,
                               const std::vector<cv::Vec4i>& hierarchy,
                               const cv::Mat& sourceImage, const cv::Mat& binaryImage,
                               const cv::Mat& foregroundMask, const RunOutput& out) {
  LeafOutline result;
  cv::Mat contourDrawing = out.writeImages ? sourceImage.clone() : cv::Mat();
  result.outlineDrawing = sourceImage.clone();
  int leaf;
  {
    ScopedLap lap(out.stopwatch, "outline: contour choice");
    leaf = chooseLeafContour(contours, hierarchy, binaryImage, contourDrawing);
  }
  out.trace << kMarkerLeafContour << std::endl;
  const cv::Size size = foregroundMask.size();
  const std::vector<cv::Point> trimmed =
      leaf >= 0 ? trimBorder(contours[leaf], size) : std::vector<cv::Point>();
  if ((result.failure = out.writeImage("drawing2.jpg", contourDrawing))) return result;
  out.trace << kMarkerContoursDrawn << std::endl;

  // A trimmed contour of one point has no piece to densify: it ends the run like an empty one.
  bool sampled;
  {
    ScopedLap lap(out.stopwatch, "outline: trim, densify, smooth");
    sampled = sampleOutline(trimmed, size, result.leafOutline, result.smoothOutline);
  }
  if (!sampled) {
    result.failure = Failure{kExitNoLeaf, kEmptyContourMessage};
    return result;
  }
  drawPolyline(result.outlineDrawing, trimmed, cv::Scalar(0, 0, 255, 0));
  drawPolyline(result.outlineDrawing, result.smoothOutline, cv::Scalar(255, 0, 255, 0));
  if ((result.failure = out.writeImage("drawing3.jpg", result.outlineDrawing))) return result;
  out.trace << kMarkerOutlineDrawn << std::endl;
  return result;
}

}  // namespace leafmargin
