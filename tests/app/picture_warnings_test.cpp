// What the run says about the picture file before the analysis: a stored resolution that
// differs from the one used, --dpi auto, a truncated file, a leaf that looks like the darker
// class; and the memory guard, which ends a run whose GrabCut cannot fit with a clear message
// and a status of its own, before decoding and before anything is written.
#include <gtest/gtest.h>

#include <climits>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "app/pipeline.h"
#include "grabcut/grabcut_settings.h"
#include "leafgen/leaf_generator.h"
#include "resources/memory_guard.h"
#include "support/picture_bytes.h"
#include "support/read_file.h"
#include "support/run_program.h"
#include "support/small_leaf.h"

namespace leafmargin {
namespace {

using testing::Bytes;

struct InProcessRun { int status = 0; std::string trace; std::string messages; };

class PictureWarnings : public ::testing::Test {
 protected:
  testing::ScratchDir dir{"warnings"};

  std::string write(const std::string& name, const Bytes& bytes) {
    testing::writeFile(dir.path() / name, testing::text(bytes));
    return (dir.path() / name).string();
  }
  InProcessRun run(const std::string& picture, const std::string& dpi = "1200",
                   LeafPolarity leaf = LeafPolarity::Bright) {
    Options options;
    options.picture = picture, options.outputDir = dir.path().string(), options.segmentation.leaf = leaf;
    options.dpiFromFile = dpi == "auto";
    if (!options.dpiFromFile) options.dpi = std::stod(dpi);
    std::ostringstream trace, messages;
    const int status = runPipeline(options, RunOutput{trace, options.outputDir, false}, messages);
    return {status, trace.str(), messages.str()};
  }
};

// A flat two-colour picture, leaf colour above and ground below: too small to hold a leaf
// contour (the run ends with status 1), enough for what is said before the analysis.
cv::Mat twoColours(const std::string& paletteName) {
  const leafgen::Palette palette = leafgen::namedPalette(paletteName);
  cv::Mat picture(60, 80, CV_8UC3, palette.ground);
  picture.rowRange(0, 30).setTo(palette.leaf);
  return picture;
}

TEST_F(PictureWarnings, StoredResolutionIsNamedWhenItDiffersAndUsedWithAuto) {
  const Bytes jpeg = testing::encodePicture(".jpg", twoColours("green-on-dark"));
  const std::string at600 = write("at600.jpg", testing::withJfifDensity(jpeg, 1, 600, 600));
  EXPECT_EQ(run(at600).messages,
            "warning: " + at600 + " stores a resolution of 600 dpi, but lengths in mm assume "
            "1200 dpi (give --dpi 600 or --dpi auto to use it)\n");
  EXPECT_EQ(run(at600, "600").messages + run(at600, "auto").messages, "");
  // A software default is ignored silently, and --dpi auto falls back to 1200 as without any.
  const std::string fallback = " stores no usable resolution; lengths in mm assume 1200 dpi";
  for (const std::string& path : {write("at72.jpg", testing::withJfifDensity(jpeg, 1, 72, 72)),
                                  write("aspect.jpg", jpeg)}) {
    EXPECT_EQ(run(path).messages, "");
    EXPECT_NE(run(path, "auto").messages.find(fallback), std::string::npos) << path;
  }
  const Bytes png = testing::encodePicture(".png", twoColours("green-on-dark"));
  const std::string at300 =
      write("at300.png", testing::withPngChunk(png, "pHYs", testing::pngPhys(11811, 11811, 1)));
  EXPECT_NE(run(at300).messages.find("stores a resolution of 300 dpi"), std::string::npos);
}

TEST_F(PictureWarnings, AutoTakesTheStoredResolutionForTheReport) {
  const Bytes jpeg = testing::encodePicture(".jpg", leafgen::generateLeaf(testing::smallLeaf()).image);
  const std::string picture = write("leaf.jpg", testing::withJfifDensity(jpeg, 2, 200, 200));
  ASSERT_EQ(run(picture, "508").status, kExitSuccess);  // 200 dots per cm
  const std::string given = testing::readFile(dir.path() / "results.csv");
  ASSERT_EQ(run(picture, "auto").status, kExitSuccess);
  EXPECT_EQ(testing::readFile(dir.path() / "results.csv"), given);
}

TEST_F(PictureWarnings, TruncatedFileAndPaperGroundAreSaid) {
  const Bytes jpeg = testing::encodePicture(".jpg", twoColours("green-on-dark"));
  const std::string cut = write("cut.jpg", testing::withoutTail(jpeg, jpeg.size() / 3));
  EXPECT_EQ(run(cut).messages, "warning: " + cut + " is truncated or corrupt: the decoder "
            "stopped before its end and filled in the rest, so the results may be wrong\n");

  const auto png = [&](const std::string& name) {
    return write(name + ".png", testing::encodePicture(".png", twoColours(name)));
  };
  const std::string paper = png("green-on-white");
  EXPECT_EQ(run(paper).messages, "warning: in " + paper + " the brighter class looks like paper "
            "around a darker leaf; if the leaf lies on paper, give --leaf dark\n");
  EXPECT_EQ(run(paper, "1200", LeafPolarity::Dark).messages, "");
  EXPECT_EQ(run(png("yellow-on-dark")).messages, "");
}

TEST_F(PictureWarnings, HugeHeaderIsRefusedBeforeDecoding) {
  // 10^10 pixels: beyond what the decoders accept (2^30), so status 4 shows that the header
  // was judged before any decoding.
  Bytes png = testing::encodePicture(".png", twoColours("green-on-dark"));
  testing::putBigEndian(png, 16, 100000, 4);
  testing::putBigEndian(png, 20, 100000, 4);
  const InProcessRun huge = run(write("huge.png", png));
  EXPECT_EQ(huge.status, kExitOutOfMemory);
  EXPECT_EQ(huge.trace.rfind("opencv version : 4.6\nNot enough memory to segment a 100000 x "
                             "100000 picture: about ", 0), 0u);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"huge.png"});
}


TEST(MemoryGuard, EstimateGrowsWithThePictureAndDecidesAgainstWhatIsAvailable) {
  const std::uint64_t small = estimatedRunBytes({1000, 1000});
  const std::uint64_t large = estimatedRunBytes({4700, 2800});
  EXPECT_GT(small, 90ull * 1000 * 1000);  // the own GrabCut's graph alone is 88 bytes a pixel
  EXPECT_GT(large, 12 * (small - estimatedRunBytes({0, 0})));
  EXPECT_EQ(estimatedRunBytes({INT_MAX, INT_MAX}), UINT64_MAX);  // a header's sides, no wrap
  EXPECT_GT(estimatedRunBytes({1000, 1000}, GrabCutEngine::Library), 200ull * 1000 * 1000);
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, small, std::nullopt), "");
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, small, small), "");
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, 300ull << 20, (200ull << 20) + 5),
            "Not enough memory to segment a 1000 x 1000 picture: about 300 MiB needed, 200 MiB available");
  // This machine can run the small pictures of the test suite.
  const auto available = availableMemoryBytes();
  ASSERT_TRUE(available.has_value());
  EXPECT_EQ(memoryShortageMessage({900, 420}, estimatedRunBytes({900, 420}), available), "");
}

TEST(MemoryGuard, AnAddressSpaceLimitTooSmallForGrabCutStopsTheRunCleanly) {
  if (testing::kAddressSanitizer) GTEST_SKIP() << "ulimit -v cannot be combined with AddressSanitizer";
  testing::ScratchDir dir("memory");
  ASSERT_TRUE(cv::imwrite((dir.path() / "wide.png").string(),
                          cv::Mat(2000, 3000, CV_8UC3, cv::Scalar(90, 90, 90))));
  const testing::ProgramRun run = testing::runProgram(dir.path(), {"wide.png"}, "ulimit -v 500000; ");
  EXPECT_EQ(run.status, 4);
  EXPECT_NE(run.stdoutText.find("\nNot enough memory to segment a 3000 x 2000 picture: about "),
            std::string::npos)
      << run.stdoutText;
  EXPECT_EQ(dir.files(), std::vector<std::string>{"wide.png"});
}

}  // namespace
}  // namespace leafmargin
