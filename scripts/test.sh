#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# snakemake runs the batch workflow's test; the sample script does not need it.
LEAFMARGIN_EXTRA_PACKAGES="${LEAFMARGIN_EXTRA_PACKAGES:-} snakemake" "$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure -j "$(nproc)"
