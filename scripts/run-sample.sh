#!/usr/bin/env bash
# Sets up, builds and runs leaf-margin on the sample leaf; the results land in sample-output/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
BUILD_TARGETS=leaf-margin "$root/scripts/build.sh"
mkdir -p "$root/sample-output"
cd "$root/sample-output"
"$root/build/leaf-margin" "$root/samples/sample-leaf.jpg"
echo "Results: $root/sample-output/results.csv"
