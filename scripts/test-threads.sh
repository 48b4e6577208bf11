#!/usr/bin/env bash
# Builds the segmentation tests with ThreadSanitizer into build-tsan/ (or $TSAN_BUILD_DIR) and
# runs the GrabCut tests there, on several threads: any data race in the threaded passes fails.
# Extra arguments go to the test program (for instance another --gtest_filter).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TSAN_BUILD_DIR:-$root/build-tsan}
"$root/scripts/setup.sh"
# -O1 with line tables only: the reports keep their files and lines, and the build takes half
# the time of -O2 -g.
cmake -S "$root" -B "$build" -DLEAFMARGIN_THREAD_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
cmake --build "$build" -j "$(nproc)" --target test_segmentation
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}
"$build/tests/test_segmentation" --gtest_filter='OwnGrabCut.*' "$@"
