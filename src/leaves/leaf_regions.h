// The leaves of a whole-leaf scan: the Otsu class that covers most of the picture's border is the
// ground and the other class the leaves; every region of the leaf class that keeps off the border
// and is large enough is one leaf. Thin lines (a printed grid, hairs) do not join a leaf to the
// border or to another leaf.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <vector>

namespace leafmargin {

struct LeafClass {
  double threshold = 0.0;   // Otsu threshold of the grey picture
  bool leafIsBright = true; // the leaves are the pixels above the threshold
};

// Otsu threshold of gray (8-bit); the leaf class is the one that covers less of the border, or
// the given polarity when there is one.
LeafClass chooseLeafClass(const cv::Mat& gray, std::optional<bool> leafIsBright);

// 255 where a pixel of gray belongs to the leaf class.
cv::Mat leafClassMask(const cv::Mat& gray, const LeafClass& leafClass);

struct LeafRegion {
  cv::Rect box;  // bounding box in the picture
  cv::Mat mask;  // box-sized, 255 on the leaf, holes filled
};

struct LeafRegions {
  std::vector<LeafRegion> leaves;  // in reading order: rows from the top, left to right in a row
  int onBorder = 0;                // regions as large as a leaf that touch the border
};

// The leaves of a leaf-class mask: regions of at least minArea pixels that do not touch the
// border. lineWidth is the width of the thickest line to cut through; it also keeps pixels
// farther than that from the region's body out of it.
LeafRegions findLeafRegions(const cv::Mat& classMask, double minArea, int lineWidth);

// The largest region of mask with its holes filled; all zero when mask has no region.
cv::Mat largestRegionFilled(const cv::Mat& mask);

// Morphological opening by a disc of the given radius (exact, through distance transforms):
// what is left of mask where a disc of that radius fits inside it.
cv::Mat openByDisc(const cv::Mat& mask, double radius);

// The mask without lines (or stubs of lines) thinner than 2 * radius: its opening, with the
// mask's own pixels within radius of the opening given back so that sharp tips stay sharp.
cv::Mat withoutThinLines(const cv::Mat& mask, double radius);

}  // namespace leafmargin
