// libFuzzer target: the bytes read as a picture file is read before and besides decoding (its
// header, stored resolution and layout, see fuzz_cases.h); a broken invariant aborts with
// its description.
#include <cstdio>
#include <cstdlib>

#include "fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = leafmargin::fuzz::runPictureFileCase(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
