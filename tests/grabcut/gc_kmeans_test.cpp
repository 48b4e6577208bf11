// The k-means seeding by colour against cv::kmeans on the same samples: the same label for every
// sample and the same random generator state afterwards.
#include <gtest/gtest.h>

#include "grabcut/gc_kmeans.h"

namespace leafmargin::gc {
namespace {

struct KmeansCase {
  int samples, colours, spread;  // samples drawn from `colours` colours within `spread` of grey 128
  std::uint64_t seed;
};

TEST(ColourKmeans, MatchesTheLibrary) {
  const KmeansCase cases[] = {
      {1, 1, 0, 1},         {3, 2, 50, 2},      {4, 4, 100, 3},   // fewer samples than clusters
      {500, 1, 0, 4},       {700, 3, 60, 5},                      // fewer colours: empty clusters
      {2000, 40, 20, 6},    {3000, 2000, 127, 7},                 // few and many colours
      {300000, 60, 40, 8},  {200000, 5000, 127, 9},               // centre sums beyond 2^24
  };
  for (const KmeansCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.samples << " samples, " << c.colours << " colours");
    cv::RNG make(c.seed);
    std::vector<cv::Vec3b> palette(c.colours);
    for (cv::Vec3b& colour : palette)
      for (int j = 0; j < 3; ++j) colour[j] = cv::saturate_cast<uchar>(128 + make.uniform(-c.spread, c.spread + 1));
    std::vector<std::uint32_t> colourOf(c.samples);
    cv::Mat samples(c.samples, 3, CV_32F);
    for (int i = 0; i < c.samples; ++i) {
      // Runs of one colour, as in a picture.
      colourOf[i] = i > 0 && make.uniform(0, 4) ? colourOf[i - 1] : unsigned(make.uniform(0, c.colours));
      for (int j = 0; j < 3; ++j) samples.at<float>(i, j) = palette[colourOf[i]][j];
    }
    cv::Mat labels;
    cv::RNG& rng = cv::theRNG();
    rng.state = c.seed * 7919;
    cv::kmeans(samples, std::min(kComponents, c.samples), labels,
               cv::TermCriteria(cv::TermCriteria::MAX_ITER, 10, 0.0), 0, cv::KMEANS_PP_CENTERS);
    const std::uint64_t libraryState = rng.state;
    rng.state = c.seed * 7919;
    const ColourClusters clusters = clusterColours(palette, colourOf, drawSeeds(rng, c.samples));
    EXPECT_EQ(rng.state, libraryState);
    int differing = 0;
    for (int i = 0; i < c.samples; ++i) differing += clusters.clusterOf(i, colourOf[i]) != labels.at<int>(i);
    EXPECT_EQ(differing, 0);
  }
}

}  // namespace
}  // namespace leafmargin::gc
