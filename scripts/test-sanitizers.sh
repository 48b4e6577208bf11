#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or $ASAN_BUILD_DIR) and runs the test suite there: any out-of-bounds access,
# use after free, leak or undefined operation fails the test that met it. The tests labelled slow
# (real pictures, browsers, whole GrabCut runs) are left out: they run the same code on bigger
# inputs and would take hours under the sanitizers.
# Extra arguments go to ctest (for instance -E or -R filters).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ASAN_BUILD_DIR:-$root/build-asan}
"$root/scripts/setup.sh"
# -O1 with line tables only: the reports keep their files and lines, and the build takes half
# the time of -O2 -g.
cmake -S "$root" -B "$build" -DLEAFMARGIN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
cmake --build "$build" -j "$(nproc)"
asan_options=halt_on_error=1:abort_on_error=1:print_stacktrace=1:detect_leaks=1
asan_options+=:strict_string_checks=1:detect_stack_use_after_return=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-$asan_options}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
cd "$build"
ctest --output-on-failure -j "$(nproc)" -LE slow "$@"
