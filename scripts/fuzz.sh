#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ (or $FUZZ_BUILD_DIR) and runs each for a while (default 60 seconds), starting from
# the kept corpus in fuzz/corpus/<target>/. Afterwards what the run found is merged into the
# kept corpus (-merge=1), so it only grows by inputs that reach new code; FUZZ_MINIMISE=1
# instead replaces it by the smallest set of kept and found inputs that reach the same edges.
# A crash, a broken invariant or a hang leaves its input in build-fuzz/artifacts/ and makes the
# script fail; turn it into a regression (fuzz/regressions/<target>/) together with its fix.
#
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: analysis decode picture_file;
# default all three)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(analysis decode picture_file)

LEAFMARGIN_EXTRA_PACKAGES="clang-14 libclang-rt-14-dev" "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLEAFMARGIN_SANITIZE=ON -DLEAFMARGIN_FUZZ=ON -DLEAFMARGIN_TESTS=OFF >/dev/null
for target in "${targets[@]}"; do
  cmake --build "$build" -j "$(nproc)" --target "${target}_fuzzer"
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:print_stacktrace=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# The reader refuses pictures beyond this many pixels instead of allocating gigabytes for them.
export OPENCV_IO_MAX_IMAGE_PIXELS=${OPENCV_IO_MAX_IMAGE_PIXELS:-16777216}

max_len() {
  case "$1" in
    analysis) echo 4096 ;;  # 9 header bytes and ~4000 runs: the 30000-point bound is reachable
    *) echo 16384 ;;
  esac
}

status=0
for target in "${targets[@]}"; do
  fuzzer="$build/fuzz/${target}_fuzzer"
  kept="$root/fuzz/corpus/$target"
  found="$build/found/$target"
  artifacts="$build/artifacts"
  mkdir -p "$kept" "$found" "$artifacts"
  echo "== $target: fuzzing for $seconds s"
  # -timeout: an input may take a minute under the sanitizers (the known slow inputs of
  # fuzz/slow/ take half that) before it counts as a hang; -report_slow_units: any input slower
  # than a second is written to the artifacts as slow-unit-*.
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=60 -report_slow_units=1 \
      -max_len="$(max_len "$target")" -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$found" "$kept"; then
    echo "== $target: the fuzzer stopped on a failure; its input is in $artifacts"
    status=1
  fi
  merge_options=()
  if [ "${FUZZ_MINIMISE:-0}" = 1 ]; then
    # The smallest set of kept and found inputs that reaches every code edge they all reach
    # (hit counts left out, which keeps the set small).
    echo "== $target: minimising the kept corpus together with what was found"
    merged="$build/merged/$target"
    rm -rf "$merged"
    mkdir -p "$merged"
    merge_into="$merged"
    merge_options=(-use_counters=0)
  else
    # Kept inputs stay (the decode seeds differ in ways the uninstrumented decoders cannot
    # show); found inputs join them only when they reach code the kept ones do not.
    echo "== $target: merging what was found into the kept corpus"
    merge_into="$kept"
  fi
  if ! "$fuzzer" -merge=1 "${merge_options[@]}" -rss_limit_mb=4096 -timeout=60 \
      -max_len="$(max_len "$target")" "$merge_into" "$kept" "$found" \
      2>"$build/merge-$target.log"; then
    echo "== $target: merge failed, see $build/merge-$target.log"
    status=1
    continue
  fi
  if [ "$merge_into" != "$kept" ]; then
    rm -rf "$kept"
    mkdir -p "$kept"
    cp "$merge_into"/* "$kept"/ 2>/dev/null || true
  fi
  rm -rf "$found"
  echo "== $target: $(ls "$kept" | wc -l) inputs kept in fuzz/corpus/$target"
  for slow in "$artifacts/$target"-slow-unit-*; do
    if [ -e "$slow" ]; then
      echo "== $target: slower than a second (this run or an earlier one): $slow"
    fi
  done
done
exit $status
