// The memory guard: a picture whose GrabCut cannot fit ends with a clear message and a status of
// its own before anything is written, instead of the process being killed by the system.
#include <gtest/gtest.h>

#include <climits>
#include <opencv2/imgcodecs.hpp>

#include "segmentation/memory_guard.h"
#include "support/run_program.h"

namespace leafmargin {
namespace {

// AddressSanitizer reserves terabytes of shadow address space at start-up, so a program built
// with it cannot even start under an address-space limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(MemoryGuard, EstimateGrowsWithThePictureAndDecidesAgainstWhatIsAvailable) {
  const std::uint64_t small = estimatedRunBytes({1000, 1000});
  const std::uint64_t large = estimatedRunBytes({4700, 2800});
  EXPECT_GT(small, 90ull * 1000 * 1000);  // the own GrabCut's graph alone is 88 bytes a pixel
  EXPECT_GT(large, 12 * (small - estimatedRunBytes({0, 0})));
  EXPECT_EQ(estimatedRunBytes({INT_MAX, INT_MAX}), UINT64_MAX);  // a header's sides, no wrap
  EXPECT_GT(estimatedRunBytes({1000, 1000}, GrabCutEngine::Library), 200ull * 1000 * 1000);
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, std::nullopt), "");
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, small), "");
  EXPECT_EQ(memoryShortageMessage({1000, 1000}, small - 1).rfind("Not enough memory to segment a 1000 x 1000 picture: about ", 0), 0u);
  // This machine can run the small pictures of the test suite.
  const auto available = availableMemoryBytes();
  ASSERT_TRUE(available.has_value());
  EXPECT_EQ(memoryShortageMessage({900, 420}, available), "");
}

TEST(MemoryGuard, AnAddressSpaceLimitTooSmallForGrabCutStopsTheRunCleanly) {
  if (kAddressSanitizer) GTEST_SKIP() << "ulimit -v cannot be combined with AddressSanitizer";
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
