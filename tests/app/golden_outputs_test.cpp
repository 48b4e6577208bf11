// Every file a run leaves, byte for byte, on generated leaves: the table, the trace and the nine
// diagnostic images must stay identical through any change that is meant to be a pure speed-up.
// The expected files live in tests/app/golden/<case>/; after a deliberate change of behaviour,
// regenerate them with LEAFMARGIN_UPDATE_GOLDEN=1 and review the difference.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "leafgen/leaf_generator.h"
#include "support/read_file.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

const std::filesystem::path kGoldenDir = std::filesystem::path(__FILE__).parent_path() / "golden";
const char* const kImages[] = {"gray.bmp",     "bw.jpg",        "grabcut.jpg",
                               "drawing2.jpg", "drawing3.jpg",  "drawing4.jpg",
                               "drawing77.jpg", "gauche.jpg",   "droite.jpg"};

using testing::readFile;

// FNV-1a, 64 bits: enough to tell two image files apart.
std::string fingerprint(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  std::ostringstream text;
  text << std::hex << h << " " << std::dec << bytes.size();
  return text.str();
}

std::string imageFingerprints(const std::filesystem::path& dir) {
  std::string lines;
  for (const char* name : kImages) {
    const std::filesystem::path path = dir / name;
    lines += std::string(name) + " " +
             (std::filesystem::exists(path) ? fingerprint(readFile(path)) : "absent") + "\n";
  }
  return lines;
}

void compareWithGolden(const std::string& name, const leafgen::LeafSpec& design) {
  testing::ScratchDir dir(name);
  ASSERT_TRUE(cv::imwrite((dir.path() / "leaf.png").string(), leafgen::generateLeaf(design).image));
  const testing::ProgramRun run = testing::runProgram(dir.path(), {"leaf.png"});
  ASSERT_EQ(run.status, 0) << run.stdoutText;
  const std::map<std::string, std::string> produced{
      {"trace.txt", run.stdoutText},
      {"results.csv", readFile(dir.path() / "results.csv")},
      {"images.txt", imageFingerprints(dir.path())}};
  const std::filesystem::path golden = kGoldenDir / name;
  if (std::getenv("LEAFMARGIN_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(golden);
    for (const auto& [file, bytes] : produced) std::ofstream(golden / file, std::ios::binary) << bytes;
  }
  for (const auto& [file, bytes] : produced) {
    ASSERT_TRUE(std::filesystem::exists(golden / file)) << golden / file;
    EXPECT_EQ(bytes, readFile(golden / file)) << name << "/" << file;
  }
}

TEST(GoldenOutputs, SawTeethWithNoise) {
  leafgen::LeafSpec design;
  design.shape = leafgen::ToothShape::Saw;
  design.teeth = 7;
  design.toothWidth = 95;
  design.toothHeight = 55;
  design.noiseSigma = 8.0;
  design.seed = 21;
  compareWithGolden("saw-noise", design);
}

TEST(GoldenOutputs, TurnedLeafWithRoundedTeeth) {
  leafgen::LeafSpec design;
  design.shape = leafgen::ToothShape::Rounded;
  design.teeth = 5;
  design.toothWidth = 120;
  design.toothHeight = 70;
  design.turn180 = true;
  design.jpegQuality = 85;
  compareWithGolden("turned-rounded", design);
}

}  // namespace
}  // namespace leafmargin
