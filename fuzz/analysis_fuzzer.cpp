// libFuzzer target: margin analysis, tooth measurement and the results table on an outline
// made from the fuzzer's bytes (see fuzz_cases.h); a broken invariant aborts with its description.
#include <cstdio>
#include <cstdlib>

#include "fuzz_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string problem = leafmargin::fuzz::runAnalysisCase(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "broken invariant: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
