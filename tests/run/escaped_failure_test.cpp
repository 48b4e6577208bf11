// What escapes a run becomes a documented status with one line: the memory ones status 4, all
// others the internal-error status, whatever the exception carries.
#include <gtest/gtest.h>

#include <new>
#include <opencv2/core.hpp>
#include <stdexcept>

#include "run/escaped_failure.h"

namespace leafmargin {
namespace {

template <class E>
std::exception_ptr thrown(const E& e) {
  return std::make_exception_ptr(e);
}

TEST(EscapedFailure, MemoryFailuresGiveStatus4AndEverythingElseOneLineOfStatus70) {
  const cv::Exception noMemory(cv::Error::StsNoMem, "Failed to allocate 800000000 bytes",
                               "OutOfMemoryError", "alloc.cpp", 73);
  const cv::Exception assertion(cv::Error::StsAssert, "!empty()", "imwrite", "loadsave.cpp", 801);
  const struct {
    std::exception_ptr escaped;
    int status;
    std::string message;
  } cases[] = {
      {thrown(std::bad_alloc()), 4, "Not enough memory to analyse leaf.jpg: an allocation failed"},
      {thrown(std::bad_array_new_length()), 4,
       "Not enough memory to analyse leaf.jpg: an allocation failed"},
      {thrown(noMemory), 4, "Not enough memory to analyse leaf.jpg: Failed to allocate 800000000 bytes"},
      {thrown(std::runtime_error("two\nlines \n")), 70, "internal error: two lines"},
      {thrown(std::runtime_error(" \n")), 70, "internal error: an unnamed error"},
      {thrown(42), 70, "internal error: an unnamed error"},
      {nullptr, 70, "internal error: an unnamed error"},
  };
  for (const auto& c : cases) {
    const Failure f = failureOfEscapedException(c.escaped, "leaf.jpg");
    EXPECT_EQ(f.status, c.status) << c.message;
    EXPECT_EQ(f.message, c.message);
  }
  // OpenCV's own errors keep what they say, on one line.
  const Failure opencv = failureOfEscapedException(thrown(assertion), "leaf.jpg");
  EXPECT_EQ(opencv.status, kExitInternalError);
  EXPECT_EQ(opencv.message.rfind("internal error: OpenCV", 0), 0u) << opencv.message;
  EXPECT_NE(opencv.message.find("!empty()"), std::string::npos) << opencv.message;
  EXPECT_EQ(opencv.message.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace leafmargin
