// The crop of one window, as the analysis of a single picture accepts it: the window's stretch of
// outline turned so that it runs from the crop's left edge to its right edge with the leaf
// above it and a full band of leaf along the top; below the stretch a dark ground, above it the
// leaf, so that the crop's only outline is this stretch. The crop is drawn from the outline
// alone (the leaf is known already, nothing is segmented again); the transform maps points
// between the crop and the leaf at working resolution, both ways.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "windows/crop_transform.h"



namespace leafmargin {

// The colours of the ground and of the leaf in every crop.
const cv::Scalar kCropGround(16, 16, 16);
const cv::Scalar kCropLeaf(110, 190, 130);

struct WindowCrop {
  cv::Mat foreground;         // 255 on the leaf; empty when rejected
  cv::Mat picture;            // the same drawn in the crop's colours, 8-bit BGR
  CropTransform transform;
  std::string rejection;      // why the window cannot be analysed; empty when it can
};

// Whether the stretch's course (taken over 250 points each way) leaves its chord's direction by
// more than 100 degrees, which the analysis cannot take: it runs round a pointed apex, into a
// deep notch or round a lobe.
bool turnsBack(const std::vector<cv::Point>& stretch);

// The crop of the stretch (consecutive points of the leaf's outline, at working resolution).
// Rejected when the stretch is too short or turns back on itself (its course leaves the chord's
// direction by more than the analysis can take).
WindowCrop cutWindowCrop(const std::vector<cv::Point>& stretch);

// The scan's own pixels seen through the crop, for a person checking a window: scanToWorking
// maps scan coordinates to the leaf's working coordinates.
cv::Mat cropOfScan(const cv::Mat& scan, const WindowCrop& crop, const cv::Matx23d& scanToWorking);

}  // namespace leafmargin
