#include "segmentation/segment_leaf.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "grabcut/grabcut.h"
#include "resources/parallel_blocks.h"
#include "run/trace_markers.h"

namespace leafmargin {

namespace {
constexpr double kTopFraction = 0.7;
constexpr int kGrabCutIterations = 8;
constexpr int kGrabCutComponents = 5;
}  // namespace

cv::Mat toGray(const cv::Mat& sourceImage) {
  cv::Mat gray;
  cv::cvtColor(sourceImage, gray, cv::COLOR_BGR2GRAY, 0);
  return gray;
}

cv::Mat otsuMask(const cv::Mat& grayImage, LeafPolarity leaf) {
  cv::Mat binary;
  const int type = leaf == LeafPolarity::Bright ? cv::THRESH_BINARY : cv::THRESH_BINARY_INV;
  cv::threshold(grayImage, binary, 0.0, 255.0, cv::THRESH_OTSU | type);
  return binary;
}

cv::Mat seedGrabCutLabels(const cv::Mat& binaryImage) {
  cv::Mat labels = binaryImage.clone();
  for (int y = 0; y < labels.rows; ++y) {
    uchar* row = labels.ptr<uchar>(y);
    for (int x = 0; x < labels.cols; ++x) row[x] = row[x] == 255 ? cv::GC_PR_FGD : cv::GC_PR_BGD;
  }
  return labels;
}

bool grabCutCanRun(const cv::Mat& labels) {
  long long foreground = 0;
  for (int y = 0; y < labels.rows; ++y) {
    const uchar* row = labels.ptr<uchar>(y);
    for (int x = 0; x < labels.cols; ++x) foreground += (row[x] & 1);
  }
  const long long background = static_cast<long long>(labels.total()) - foreground;
  return foreground >= kGrabCutComponents && background >= kGrabCutComponents;
}

void runGrabCut(const cv::Mat& sourceImage, cv::Mat& labels, const GrabCutSettings& settings) {
  cv::Mat backgroundModel, foregroundModel;
  std::ostream* progress = settings.progress;
  const cv::Size size = sourceImage.size();
  if (settings.engine == GrabCutEngine::Library) {
    if (progress)
      *progress << "GrabCut (OpenCV): " << kGrabCutIterations << " iterations on " << size.width
                << " x " << size.height << " pixels" << std::endl;
    cv::grabCut(sourceImage, labels, cv::Rect(0, 0, 0, 0), backgroundModel, foregroundModel,
                kGrabCutIterations, cv::GC_INIT_WITH_MASK);
    return;
  }
  GrabCutOptions options;
  options.threads = settings.threads > 0 ? settings.threads : availableCores();
  if (progress)
    options.afterIteration = [&](int i, int n) {
      *progress << "GrabCut iteration " << i << "/" << n << " done (" << size.width << " x "
                << size.height << " pixels)" << std::endl;
    };
  grabCutFromMask(sourceImage, labels, backgroundModel, foregroundModel, kGrabCutIterations, options);
}

cv::Mat foregroundFromLabels(const cv::Mat& labels) {
  cv::Mat mask(labels.size(), CV_8UC1);
  for (int y = 0; y < labels.rows; ++y) {
    const uchar* in = labels.ptr<uchar>(y);
    uchar* outRow = mask.ptr<uchar>(y);
    for (int x = 0; x < labels.cols; ++x)
      outRow[x] = (in[x] == cv::GC_FGD || in[x] == cv::GC_PR_FGD) ? 255 : 0;
  }
  return mask;
}

double topRowForegroundFraction(const cv::Mat& foregroundMask) {
  const uchar* row = foregroundMask.ptr<uchar>(kOrientationRow);
  int count = 0;
  for (int x = 0; x < foregroundMask.cols; ++x)
    if (row[x] == 255) ++count;
  return static_cast<double>(count) / foregroundMask.cols;
}

bool leafIsAtTop(const cv::Mat& foregroundMask) {
  return topRowForegroundFraction(foregroundMask) > kTopFraction;
}

void externalContours(const cv::Mat& foregroundMask, std::vector<std::vector<cv::Point>>& contours,
                      std::vector<cv::Vec4i>& hierarchy) {
  cv::findContours(foregroundMask, contours, hierarchy, cv::RETR_EXTERNAL,
                   cv::CHAIN_APPROX_SIMPLE, cv::Point(0, 0));
}

Segmentation segmentLeaf(const cv::Mat& sourceImage, const SegmentationSettings& settings,
                         const RunOutput& out) {
  Segmentation s;
  s.sourceImage = sourceImage;
  {
    ScopedLap lap(out.stopwatch, "grey");
    s.grayImage = toGray(s.sourceImage);
  }
  if ((s.failure = out.writeImage("gray.bmp", s.grayImage))) return s;
  {
    ScopedLap lap(out.stopwatch, "Otsu");
    s.binaryImage = otsuMask(s.grayImage, settings.leaf);
  }
  if ((s.failure = out.writeImage("bw.jpg", s.binaryImage))) return s;
  out.trace << kMarkerThresholded << std::endl;

  s.grabCutMask = seedGrabCutLabels(s.binaryImage);
  out.trace << kMarkerGrabCutSeeded << std::endl;
  // A picture with (almost) a single grey class cannot be modelled by GrabCut; its seed labels
  // then stand as they are, and the run goes on with the threshold mask.
  if (grabCutCanRun(s.grabCutMask)) {
    ScopedLap lap(out.stopwatch, "GrabCut");
    runGrabCut(s.sourceImage, s.grabCutMask, settings.grabCut);
  }
  {
    ScopedLap lap(out.stopwatch, "foreground mask");
    s.foregroundMask = foregroundFromLabels(s.grabCutMask);
  }
  out.trace << kMarkerForeground << std::endl;
  if ((s.failure = out.writeImage("grabcut.jpg", s.foregroundMask))) return s;

  ScopedLap lap(out.stopwatch, "orientation and contours");
  if (!leafIsAtTop(s.foregroundMask)) {
    cv::rotate(s.foregroundMask, s.foregroundMask, cv::ROTATE_180);
    // Into a new picture: sourceImage shares the caller's pixels.
    cv::Mat turned;
    cv::rotate(s.sourceImage, turned, cv::ROTATE_180);
    s.sourceImage = turned;
    cv::rotate(s.binaryImage, s.binaryImage, cv::ROTATE_180);
    s.turned = true;
  }
  out.trace << kMarkerOriented << std::endl;
  externalContours(s.foregroundMask, s.contours, s.hierarchy);
  return s;
}

}  // namespace leafmargin
