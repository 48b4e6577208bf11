#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR) with all cores. Arguments go to the CMake
# configure step; BUILD_TARGETS (space-separated) limits what is built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
targets=()
for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
