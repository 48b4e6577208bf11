#include "leaves/leaf_regions.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace leafmargin {

namespace {

// Pixels of the one-pixel frame of the picture that are above threshold, and the frame's size.
std::pair<long long, long long> brightBorderPixels(const cv::Mat& gray, double threshold) {
  long long bright = 0, total = 0;
  auto count = [&](int x, int y) {
    ++total;
    if (gray.at<uchar>(y, x) > threshold) ++bright;
  };
  for (int x = 0; x < gray.cols; ++x) {
    count(x, 0);
    if (gray.rows > 1) count(x, gray.rows - 1);
  }
  for (int y = 1; y + 1 < gray.rows; ++y) {
    count(0, y);
    if (gray.cols > 1) count(gray.cols - 1, y);
  }
  return {bright, total};
}

bool touchesBorder(const cv::Rect& box, cv::Size size) {
  return box.x == 0 || box.y == 0 || box.x + box.width == size.width ||
         box.y + box.height == size.height;
}

cv::Mat disc(int diameter) {
  return cv::getStructuringElement(cv::MORPH_ELLIPSE, {diameter, diameter});
}

// Rows of leaves from the top (a leaf whose top lies above the middle of the row's first leaf
// joins its row), each row from left to right.
void sortInReadingOrder(std::vector<LeafRegion>& leaves) {
  std::sort(leaves.begin(), leaves.end(),
            [](const LeafRegion& a, const LeafRegion& b) { return a.box.y < b.box.y; });
  for (std::size_t rowStart = 0; rowStart < leaves.size();) {
    const cv::Rect& first = leaves[rowStart].box;
    std::size_t rowEnd = rowStart + 1;
    while (rowEnd < leaves.size() && leaves[rowEnd].box.y < first.y + first.height / 2) ++rowEnd;
    std::sort(leaves.begin() + rowStart, leaves.begin() + rowEnd,
              [](const LeafRegion& a, const LeafRegion& b) { return a.box.x < b.box.x; });
    rowStart = rowEnd;
  }
}

}  // namespace

LeafClass chooseLeafClass(const cv::Mat& gray, std::optional<bool> leafIsBright) {
  LeafClass leafClass;
  cv::Mat binary;
  leafClass.threshold = cv::threshold(gray, binary, 0.0, 255.0, cv::THRESH_OTSU);
  if (leafIsBright) {
    leafClass.leafIsBright = *leafIsBright;
  } else {
    const auto [bright, total] = brightBorderPixels(gray, leafClass.threshold);
    leafClass.leafIsBright = 2 * bright <= total;
  }
  return leafClass;
}

cv::Mat leafClassMask(const cv::Mat& gray, const LeafClass& leafClass) {
  cv::Mat mask;
  cv::threshold(gray, mask, leafClass.threshold, 255.0,
                leafClass.leafIsBright ? cv::THRESH_BINARY : cv::THRESH_BINARY_INV);
  return mask;
}

cv::Mat largestRegionFilled(const cv::Mat& mask) {
  std::vector<std::vector<cv::Point>> outlines;
  cv::findContours(mask.clone(), outlines, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  cv::Mat filled = cv::Mat::zeros(mask.size(), CV_8UC1);
  if (outlines.empty()) return filled;
  const auto largest = std::max_element(outlines.begin(), outlines.end(), [](auto& a, auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  cv::drawContours(filled, outlines, static_cast<int>(largest - outlines.begin()), cv::Scalar(255),
                   cv::FILLED);
  return filled;
}

cv::Mat openByDisc(const cv::Mat& mask, double radius) {
  cv::Mat inside, eroded, outside;
  cv::distanceTransform(mask, inside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  eroded = inside > radius;
  cv::distanceTransform(~eroded, outside, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  return outside <= radius;
}

cv::Mat withoutThinLines(const cv::Mat& mask, double radius) {
  const cv::Mat opened = openByDisc(mask, radius);
  cv::Mat distance;
  cv::distanceTransform(~opened, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  return opened | (mask & (distance <= radius));
}

LeafRegions findLeafRegions(const cv::Mat& classMask, double minArea, int lineWidth) {
  const int diameter = std::max(1, lineWidth + 1);
  const cv::Mat opened = openByDisc(classMask, diameter / 2.0);
  cv::Mat labels, stats, centroids;
  const int count = cv::connectedComponentsWithStats(opened, labels, stats, centroids, 8, CV_32S);

  LeafRegions regions;
  for (int label = 1; label < count; ++label) {
    const cv::Rect body(stats.at<int>(label, cv::CC_STAT_LEFT), stats.at<int>(label, cv::CC_STAT_TOP),
                        stats.at<int>(label, cv::CC_STAT_WIDTH),
                        stats.at<int>(label, cv::CC_STAT_HEIGHT));
    if (stats.at<int>(label, cv::CC_STAT_AREA) < minArea) continue;
    if (touchesBorder(body, classMask.size())) {
      ++regions.onBorder;
      continue;
    }
    // The region's own pixels of the class mask near its opened body, so that the opening does
    // not blunt the tips of the teeth.
    const cv::Rect box = (body + cv::Size(2 * diameter, 2 * diameter) - cv::Point(diameter, diameter)) &
                         cv::Rect(cv::Point(0, 0), classMask.size());
    cv::Mat near;
    cv::dilate(labels(box) == label, near, disc(2 * diameter + 1));
    LeafRegion region;
    region.mask = largestRegionFilled(near & classMask(box));
    const cv::Rect tight = cv::boundingRect(region.mask);
    region.box = tight + box.tl();
    region.mask = region.mask(tight).clone();
    regions.leaves.push_back(std::move(region));
  }
  sortInReadingOrder(regions.leaves);
  return regions;
}

}  // namespace leafmargin
