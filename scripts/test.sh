#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# snakemake runs the batch workflow's test, python3-pandas reads the tidy tables back, chromium
# renders the batch page, R (r-base-core) loads the leaves' table as dilp's users do; the sample
# script needs none of them.
LEAFMARGIN_EXTRA_PACKAGES="${LEAFMARGIN_EXTRA_PACKAGES:-} snakemake python3-pandas chromium r-base-core" \
  "$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "${BUILD_DIR:-$root/build}"
ctest --output-on-failure -j "$(nproc)"
