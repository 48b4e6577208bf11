#include "leaves/leaf_mask.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "leaves/region_masks.h"
#include "segmentation/segment_leaf.h"

namespace leafmargin {

namespace {

// region (box-sized, scan pixels) drawn into labels (the leaf box at scale) with value.
void paintRegion(cv::Mat& labels, const FoundRegion& region, const cv::Rect& box, double scale,
                 uchar value) {
  const cv::Rect inBox = region.box & box;
  if (inBox.empty()) return;
  const cv::Mat part = region.mask(inBox - region.box.tl());
  const cv::Rect target(static_cast<int>(std::lround((inBox.x - box.x) * scale)),
                        static_cast<int>(std::lround((inBox.y - box.y) * scale)),
                        std::max(1, static_cast<int>(std::lround(inBox.width * scale))),
                        std::max(1, static_cast<int>(std::lround(inBox.height * scale))));
  const cv::Rect clipped = target & cv::Rect(cv::Point(0, 0), labels.size());
  if (clipped.empty()) return;
  cv::Mat resized;
  cv::resize(part, resized, target.size(), 0, 0, cv::INTER_NEAREST);
  labels(clipped).setTo(value, resized(clipped - target.tl()));
}

// The region of foreground that holds most of seed's pixels, holes filled.
cv::Mat regionOverSeed(const cv::Mat& foreground, const cv::Mat& seed) {
  cv::Mat labels;
  const int count = cv::connectedComponents(foreground, labels, 8, CV_32S);
  std::vector<long long> overlap(count, 0);
  for (int y = 0; y < labels.rows; ++y) {
    const int* l = labels.ptr<int>(y);
    const uchar* s = seed.ptr<uchar>(y);
    for (int x = 0; x < labels.cols; ++x)
      if (s[x] && l[x] > 0) ++overlap[l[x]];
  }
  const int best = static_cast<int>(std::max_element(overlap.begin(), overlap.end()) - overlap.begin());
  if (best == 0 || overlap[best] == 0) return largestRegionFilled(seed);
  return largestRegionFilled(labels == best);
}

}  // namespace

LeafMask segmentLeafMask(const cv::Mat& scan, const FoundLeaves& found, std::size_t leaf,
                         double pixelsPerMm, const GrabCutSettings& settings) {
  const FoundRegion& region = found.leaves[leaf];
  LeafMask result;
  result.box = (region.box + cv::Size(2 * kLeafBoxMargin, 2 * kLeafBoxMargin) -
                cv::Point(kLeafBoxMargin, kLeafBoxMargin)) &
               cv::Rect(cv::Point(0, 0), scan.size());
  result.scale = std::min(1.0, kFinestSegmentedPixelsPerMm / pixelsPerMm);
  cv::Mat picture = scan(result.box);
  if (result.scale < 1.0) {
    cv::resize(picture, picture,
               cv::Size(std::max(1, static_cast<int>(std::lround(result.box.width * result.scale))),
                        std::max(1, static_cast<int>(std::lround(result.box.height * result.scale)))),
               0, 0, cv::INTER_AREA);
  } else {
    picture = picture.clone();
  }
  cv::Mat labels(picture.size(), CV_8UC1, cv::Scalar(cv::GC_PR_BGD));
  paintRegion(labels, region, result.box, result.scale, cv::GC_PR_FGD);
  const cv::Mat seed = labels == cv::GC_PR_FGD;
  for (std::size_t k = 0; k < found.leaves.size(); ++k)
    if (k != leaf) paintRegion(labels, found.leaves[k], result.box, result.scale, cv::GC_BGD);
  for (const FoundRegion& other : found.notLeaves)
    paintRegion(labels, other, result.box, result.scale, cv::GC_BGD);
  if (grabCutCanRun(labels)) runGrabCut(picture, labels, settings);
  result.mask = regionOverSeed(foregroundFromLabels(labels), seed);
  return result;
}

}  // namespace leafmargin
