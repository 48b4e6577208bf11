// What the run says about the picture file on standard error: a stored resolution that differs
// from the one used, --dpi auto, a truncated file, a leaf that looks like the darker class, and
// the refusal of a huge header before decoding.
#include <gtest/gtest.h>

#include <sstream>

#include "app/pipeline.h"
#include "leafgen/leaf_generator.h"
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
    testing::writeBytes(dir.path() / name, bytes);
    return (dir.path() / name).string();
  }
  InProcessRun run(const std::string& picture, const std::string& dpi = "1200",
                   LeafPolarity leaf = LeafPolarity::Bright) {
    Options options;
    options.picture = picture;
    options.outputDir = dir.path().string();
    options.dpiFromFile = dpi == "auto";
    if (!options.dpiFromFile) options.dpi = std::stod(dpi);
    options.segmentation.leaf = leaf;
    std::ostringstream trace, messages;
    const RunOutput out{trace, options.outputDir, false};
    InProcessRun result;
    result.status = runPipeline(options, out, messages);
    result.trace = trace.str();
    result.messages = messages.str();
    return result;
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

}  // namespace
}  // namespace leafmargin
