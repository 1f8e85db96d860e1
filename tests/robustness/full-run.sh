#!/bin/bash
# The full input fuzzing run: 10,000 random sequences against the 64-bit
# build under Wine (seed 20261211, the same sequences as the bounded run's
# first 1,000 and 9,000 more). Usage, from anywhere:
#   tests/robustness/full-run.sh [BUILD_ROOT] [more driver options]
# BUILD_ROOT is the folder given to cmake/build-all.sh (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build}
shift || true
exec "$root/cmake/run-wine.sh" "$out/win64" "$out/win64/tests/robustness/robust_fuzz_input.exe" \
    "$out/win64/orvenda.exe" "$@" --sequences=10000
