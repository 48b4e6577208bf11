#include "run/escaped_failure.h"

#include <new>
#include <opencv2/core.hpp>

namespace leafmargin {

namespace {

// The text on one line: line ends become spaces, and surrounding blanks go.
std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

Failure outOfMemory(const std::string& picture, const std::string& what) {
  return {kExitOutOfMemory, "Not enough memory to analyse " + picture + ": " + oneLine(what)};
}

Failure internalError(const std::string& what) {
  const std::string line = oneLine(what);
  return {kExitInternalError, "internal error: " + (line.empty() ? "an unnamed error" : line)};
}

}  // namespace

Failure failureOfEscapedException(std::exception_ptr escaped, const std::string& picture) {
  if (!escaped) return internalError("");
  try {
    std::rethrow_exception(escaped);
  } catch (const std::bad_alloc&) {
    return outOfMemory(picture, "an allocation failed");
  } catch (const cv::Exception& e) {
    if (e.code == cv::Error::StsNoMem) return outOfMemory(picture, e.err);
    return internalError(e.what());
  } catch (const std::exception& e) {
    return internalError(e.what());
  } catch (...) {
    return internalError("");
  }
}

}  // namespace leafmargin
