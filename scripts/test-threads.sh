#!/usr/bin/env bash
# Builds the GrabCut and resources tests with ThreadSanitizer into build-tsan/ (or
# $TSAN_BUILD_DIR) and runs them there, on several threads: any data race in the GrabCut's threaded
# passes, the parallel blocks or the work queue fails. A run that selects no test fails too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TSAN_BUILD_DIR:-$root/build-tsan}
"$root/scripts/setup.sh"
# -O1 with line tables only: the reports keep their files and lines, and the build takes half
# the time of -O2 -g.
cmake -S "$root" -B "$build" -DLEAFMARGIN_THREAD_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
cmake --build "$build" -j "$(nproc)" --target test_grabcut test_resources
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}
run() {
  local output
  output=$("$@" 2>&1) || { printf '%s\n' "$output"; return 1; }
  printf '%s\n' "$output" | tail -n 3
  printf '%s\n' "$output" | grep -q -E '\[  PASSED  \] [1-9]' || { echo "no test ran: $*"; return 1; }
}
run "$build/tests/test_grabcut" --gtest_filter='OwnGrabCut.*'
run "$build/tests/test_resources"
