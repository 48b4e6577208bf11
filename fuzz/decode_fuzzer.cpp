// libFuzzer target: the fuzzer's bytes decoded as the program reads a picture file, then
// segmentation and outline sampling of small pictures (see fuzz_cases.h); a broken invariant
// aborts with its description.
#include <cstdio>
#include <cstdlib>

#include "fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = leafmargin::fuzz::runDecodeCase(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
