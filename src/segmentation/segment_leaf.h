// Leaf segmentation: the picture's grey version, the Otsu mask (the leaf
// is the brighter class unless told otherwise), GrabCut refined from that mask at full
// resolution, the 180-degree turn that puts the leaf at the top, and the external contours of
// the final foreground mask. Each step is its own function so the benchmark can time them;
// segmentLeaf runs them in order and leaves the caller's picture as it was.
#pragma once

#include <cstddef>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "grabcut/grabcut_settings.h"
#include "run/failure.h"
#include "run/run_output.h"

namespace leafmargin {

// Which Otsu class is the leaf: the brighter one (a leaf lit on a dark ground, the default) or
// the darker one (a leaf on paper).
enum class LeafPolarity { Bright, Dark };

struct SegmentationSettings {
  LeafPolarity leaf = LeafPolarity::Bright;
  GrabCutSettings grabCut;
};

struct Segmentation {
  cv::Mat sourceImage;     // 8-bit BGR, a turned copy when the leaf was at the bottom
  cv::Mat grayImage;       // never turned
  cv::Mat binaryImage;     // Otsu mask, 0/255, turned with sourceImage
  cv::Mat grabCutMask;     // final GrabCut labels, never turned
  cv::Mat foregroundMask;  // 0/255, turned with sourceImage
  std::vector<std::vector<cv::Point>> contours;
  std::vector<cv::Vec4i> hierarchy;
  bool turned = false;
  MaybeFailure failure;  // one of its images could not be written; the stage stopped there
};

cv::Mat toGray(const cv::Mat& sourceImage);
// Otsu threshold: 255 on the leaf's class, 0 elsewhere. The bright class is the grey levels
// above the automatic threshold, the dark class the others.
cv::Mat otsuMask(const cv::Mat& grayImage, LeafPolarity leaf = LeafPolarity::Bright);
// GrabCut labels seeded from the Otsu mask: probable foreground (3) or probable background (2).
cv::Mat seedGrabCutLabels(const cv::Mat& binaryImage);
// GrabCut cannot model a class with fewer pixels than its five mixture components.
bool grabCutCanRun(const cv::Mat& labels);
// Eight iterations of GrabCut initialised from the labels, refined in place; the program's own
// GrabCut and cv::grabCut give the same labels.
void runGrabCut(const cv::Mat& sourceImage, cv::Mat& labels, const GrabCutSettings& settings = {});
// 255 where the label is foreground (1 or 3), 0 elsewhere.
cv::Mat foregroundFromLabels(const cv::Mat& labels);
// The row whose foreground tells whether the leaf is at the top: a picture needs one more row
// than that to be segmented (the driver refuses shorter ones).
constexpr int kOrientationRow = 10;
constexpr int kMinPictureRows = kOrientationRow + 1;

// Fraction of row 10 that is foreground; the leaf is taken to be at the top above 0.7.
double topRowForegroundFraction(const cv::Mat& foregroundMask);
bool leafIsAtTop(const cv::Mat& foregroundMask);
void externalContours(const cv::Mat& foregroundMask, std::vector<std::vector<cv::Point>>& contours,
                      std::vector<cv::Vec4i>& hierarchy);

// All steps from the grey image to the contours, with the trace "aa" to "dd" and the files
// "gray.bmp", "bw.jpg" and "grabcut.jpg". sourceImage must be a non-empty 8-bit BGR picture
// of at least kMinPictureRows rows; it is never changed (a turned picture is a new one). A file
// that cannot be written stops the stage right there, with the failure set.
Segmentation segmentLeaf(const cv::Mat& sourceImage, const SegmentationSettings& settings,
                         const RunOutput& out);

}  // namespace leafmargin
