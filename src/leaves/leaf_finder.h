// The leaves lying on a whole-leaf scan. They are found on a copy reduced to about 150 dpi
// (leaves are centimetres across): the Otsu class that covers most of the picture's border is
// the ground, the other one the leaves; lines up to 0.6 mm wide (a printed grid, hairs, print)
// are cut away, and of the regions left only those with a leaf's size, colour and shape are
// leaves. What is left out is counted by reason. A leaf may touch the picture's border. The
// masks are rough (from the reduced copy): each leaf is segmented again at the scan's own
// resolution (leaves/leaf_mask.h).
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

namespace leafmargin {

struct LeafClass {
  double threshold = 0.0;    // Otsu threshold of the grey picture
  bool leafIsBright = true;  // the leaves are the pixels above the threshold
};

// Otsu threshold of gray (8-bit); the leaf class is the one that covers less of the border, or
// the given polarity when there is one.
LeafClass chooseLeafClass(const cv::Mat& gray, std::optional<bool> leafIsBright);

// 255 where a pixel of gray belongs to the leaf class.
cv::Mat leafClassMask(const cv::Mat& gray, const LeafClass& leafClass);

struct FoundRegion {
  cv::Rect box;           // in the scan
  cv::Mat mask;           // box-sized, 255 on the region
  bool onBorder = false;  // touches the picture's border
  bool mayBeSeveral = false;  // looks like leaves touching each other that could not be told apart
};

// Regions of the leaf class that are not leaves, by reason.
struct LeftOut {
  int tooSmall = 0;        // under 1 cm² (specks, dust, print)
  int straightEdged = 0;   // nearly rectangular: a ruler, a label, a colour chart, tape
  int thin = 0;            // no body wider than 3 mm: a line, a frame's edge, a ruler's ticks
  int notLeafColour = 0;   // grey, black or white: print, shadows, a card
  int total() const { return tooSmall + straightEdged + thin + notLeafColour; }
};

struct FoundLeaves {
  LeafClass leafClass;                // on the reduced copy
  std::vector<FoundRegion> leaves;    // in reading order: rows from the top, left to right
  std::vector<FoundRegion> notLeaves; // the regions left out that are 1 cm² or more
  LeftOut leftOut;
  int separated = 0;                  // leaves touching each other that were told apart
};

// pixelsPerMm: the scan's resolution. leafIsBright: the leaves' class when the user named it.
FoundLeaves findLeaves(const cv::Mat& scan, double pixelsPerMm, std::optional<bool> leafIsBright);

// The checks of one region (mask: 255 on it, in a picture at pixelsPerMm):
// nearly as large as its smallest enclosing rectangle (a ruler, a card, a patch of colour).
bool looksStraightEdged(const cv::Mat& mask);
// CIELAB chroma of the region's mean colour in picture (8-bit BGR).
double meanChroma(const cv::Mat& picture, const cv::Mat& mask);

// One line for the warning about what was left out ("" when nothing was), e.g.
// "2 regions that are not leaves were left out: 1 straight-edged (a ruler, label or chart?),
// 1 without a leaf's colour; and 14 specks under 1 cm²".
std::string describeLeftOut(const LeftOut& leftOut);

}  // namespace leafmargin
