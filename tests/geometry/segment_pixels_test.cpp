// The segment pixels and the densified chain against the literal procedure: a full-size raster
// per segment, read column by column, or counted over the clipped bounding box with a mask.
#include <gtest/gtest.h>

#include <random>

#include "geometry/chain.h"
#include "geometry/segment_pixels.h"
#include "support/literal_geometry.h"

namespace leafmargin {
namespace {

using testing::literalPointsOfSegment;

cv::Point randomPoint(std::mt19937& rng, int lo, int hiX, int hiY) {
  return {std::uniform_int_distribution<int>(lo, hiX)(rng),
          std::uniform_int_distribution<int>(lo, hiY)(rng)};
}

TEST(SegmentPixels, ListedAndCountedAsTheFullSizeRasterGivesThem) {
  std::mt19937 rng(7);
  for (int trial = 0; trial < 6000; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(1, 90)(rng),
                        std::uniform_int_distribution<int>(1, 90)(rng));
    // Ends inside the picture (short segments in every direction, long ones across it), or
    // anywhere around it; a mask of 0, 255 and 254 (which does not count).
    const bool inside = trial % 2 == 0;
    const cv::Point a = inside ? randomPoint(rng, 0, size.width - 1, size.height - 1)
                               : randomPoint(rng, -80, 140, 140);
    const cv::Point b = !inside ? randomPoint(rng, -80, 140, 140)
                        : trial % 4 ? randomPoint(rng, 0, size.width - 1, size.height - 1)
                                    : cv::Point(std::clamp(a.x + (int)(rng() % 7) - 3, 0, size.width - 1),
                                                std::clamp(a.y + (int)(rng() % 7) - 3, 0, size.height - 1));
    const Segment s(a, b);
    if (inside || a.x != b.x) {  // a vertical segment lists every y, inside the picture or not
      ASSERT_EQ(getAllPointsOfSegment(s, size), literalPointsOfSegment(s, size)) << a << b << size;
    }
    cv::Mat mask(size, CV_8UC1);
    cv::randu(mask, 0, 2);
    mask *= 255;
    if (trial % 5 == 0) mask.setTo(254, mask == 255);
    ASSERT_EQ(countSegmentPixelsInMask(s, mask), testing::literalCountInMask(s, mask)) << a << b;
  }
  // Far-away ends, as a degenerate foot can give, are clipped without walking the whole line.
  const cv::Mat full(40, 40, CV_8UC1, cv::Scalar(255));
  EXPECT_EQ(countSegmentPixelsInMask(Segment({20, 20}, {20, INT_MIN}), full), 21);
  EXPECT_EQ(countSegmentPixelsInMask(Segment(), full), 0);
}

TEST(ContourDensification, JoinsTheSegmentPixelsOfEveryPieceWithSharedEndsRepeated) {
  std::mt19937 rng(3);
  for (int trial = 0; trial < 300; ++trial) {
    const cv::Size size(std::uniform_int_distribution<int>(5, 120)(rng),
                        std::uniform_int_distribution<int>(5, 120)(rng));
    std::vector<cv::Point> chain;
    for (int i = std::uniform_int_distribution<int>(1, 25)(rng); i > 0; --i)
      chain.push_back(randomPoint(rng, 0, size.width - 1, size.height - 1));
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
  // No point at all is the failure; one point leaves nothing to join.
  EXPECT_FALSE(getAllPointsOfContour({}, cv::Size(20, 20)).has_value());
  EXPECT_TRUE(getAllPointsOfContour({{3, 3}}, cv::Size(20, 20))->empty());
  EXPECT_TRUE(removeConsecutiveDuplicates({}).empty());
}

}  // namespace
}  // namespace leafmargin
