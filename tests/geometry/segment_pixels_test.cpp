// The allocation-free segment pixels against the literal procedure: a full-size raster per
// segment, read column by column, and the clipped bounding-box count against a mask.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <random>

#include "geometry/chain.h"
#include "geometry/segment_pixels.h"
#include "support/literal_geometry.h"

namespace leafmargin {
namespace {

using testing::literalCountInMask;
using testing::literalPointsOfSegment;

cv::Point randomPoint(std::mt19937& rng, int lo, int hiX, int hiY) {
  return {std::uniform_int_distribution<int>(lo, hiX)(rng),
          std::uniform_int_distribution<int>(lo, hiY)(rng)};
}

TEST(SegmentPixels, ListsTheLinePixelsInOrderFromEitherEnd) {
  const cv::Size size(10, 10);
  const std::vector<cv::Point> forward = getAllPointsOfSegment(Segment({0, 0}, {3, 1}), size);
  ASSERT_EQ(forward.size(), 4u);
  EXPECT_EQ(forward.front(), cv::Point(0, 0));
  EXPECT_EQ(forward.back(), cv::Point(3, 1));
  const std::vector<cv::Point> backward = getAllPointsOfSegment(Segment({3, 1}, {0, 0}), size);
  ASSERT_EQ(backward.size(), 4u);
  EXPECT_EQ(backward.front(), cv::Point(3, 1));
  EXPECT_EQ(backward.back(), cv::Point(0, 0));
  EXPECT_EQ(getAllPointsOfSegment(Segment({4, 4}, {4, 4}), size),
            std::vector<cv::Point>{cv::Point(4, 4)});
}

TEST(SegmentPixels, MatchesTheFullSizeRasterOnRandomSegmentsInsideThePicture) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 4000; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(1, 90)(rng),
                        std::uniform_int_distribution<int>(1, 90)(rng));
    // Short segments are steep, shallow and diagonal in all directions; long ones cross it.
    const cv::Point a = randomPoint(rng, 0, size.width - 1, size.height - 1);
    const cv::Point b = trial % 2 ? randomPoint(rng, 0, size.width - 1, size.height - 1)
                                  : cv::Point(std::clamp(a.x + (int)(rng() % 7) - 3, 0, size.width - 1),
                                              std::clamp(a.y + (int)(rng() % 7) - 3, 0, size.height - 1));
    const Segment s(a, b);
    ASSERT_EQ(getAllPointsOfSegment(s, size), literalPointsOfSegment(s, size))
        << a << " -> " << b << " in " << size;
  }
}

TEST(SegmentPixels, CountsOnlyThePixelsInsideThePictureForSegmentsPartlyOutside) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 3000; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(1, 60)(rng),
                        std::uniform_int_distribution<int>(1, 60)(rng));
    cv::Mat mask(size, CV_8UC1);
    cv::randu(mask, 0, 2);
    mask *= 255;
    if (trial % 5 == 0) mask.setTo(254, mask == 255);  // 254 is not set
    const Segment s(randomPoint(rng, -80, 140, 140), randomPoint(rng, -80, 140, 140));
    ASSERT_EQ(countSegmentPixelsInMask(s, mask), literalCountInMask(s, mask))
        << s.first << " -> " << s.second << " in " << size;
    if (s.first.x != s.second.x) {
      ASSERT_EQ(getAllPointsOfSegment(s, size), literalPointsOfSegment(s, size));
    }
  }
  // Far-away ends, as a degenerate foot can give, are clipped without walking the whole line.
  const cv::Mat full(40, 40, CV_8UC1, cv::Scalar(255));
  EXPECT_EQ(countSegmentPixelsInMask(Segment({20, 20}, {20, INT_MIN}), full), 21);
  EXPECT_EQ(countSegmentPixelsInMask(Segment({-1, -1}, {-1, -1}), full), 0);
}

TEST(ContourDensification, JoinsThePiecesWithTheirSharedEndsRepeated) {
  const std::vector<cv::Point> chain{{5, 5}, {8, 5}, {8, 7}};
  const auto dense = getAllPointsOfContour(chain, cv::Size(20, 20));
  ASSERT_TRUE(dense.has_value());
  const std::vector<cv::Point> expected{{5, 5}, {6, 5}, {7, 5}, {8, 5}, {8, 5}, {8, 6}, {8, 7}};
  EXPECT_EQ(*dense, expected);
  std::vector<cv::Point> withoutRepeat = expected;
  withoutRepeat.erase(withoutRepeat.begin() + 4);
  EXPECT_EQ(removeConsecutiveDuplicates(*dense), withoutRepeat);
  // One point: nothing to join, and no failure. No point at all: the failure.
  EXPECT_TRUE(getAllPointsOfContour({{3, 3}}, cv::Size(20, 20))->empty());
  EXPECT_FALSE(getAllPointsOfContour({}, cv::Size(20, 20)).has_value());
}

TEST(ContourDensification, MatchesOneFullSizeRasterPerPieceOnRandomChains) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 300; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(5, 120)(rng),
                        std::uniform_int_distribution<int>(5, 120)(rng));
    std::vector<cv::Point> chain;
    const int n = std::uniform_int_distribution<int>(1, 25)(rng);
    for (int i = 0; i < n; ++i) chain.push_back(randomPoint(rng, 0, size.width - 1, size.height - 1));
    std::vector<cv::Point> literal;
    for (size_t k = 1; k < chain.size(); ++k) {
      const auto piece = literalPointsOfSegment(Segment(chain[k - 1], chain[k]), size);
      literal.insert(literal.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(*getAllPointsOfContour(chain, size), literal);
    const auto dense = removeConsecutiveDuplicates(literal);
    for (size_t i = 1; i < dense.size(); ++i) {
      ASSERT_LE(std::abs(dense[i].x - dense[i - 1].x), 1);
      ASSERT_LE(std::abs(dense[i].y - dense[i - 1].y), 1);
      ASSERT_NE(dense[i], dense[i - 1]);
    }
  }
}

}  // namespace
}  // namespace leafmargin
