#!/bin/bash
# The long runs against the 32-bit product, for a full run beside test.sh:
# long use (1,000 rounds) and the full input fuzzing (10,000 sequences, seed
# 20261211, the same sequences as the 64-bit build's full run). Both go
# through cmake/run-wine32.sh, so their waits are lengthened where the
# product is emulated. Expect many hours under emulation.
#   tests/product32/full-run.sh [BUILD_ROOT] [long-use|fuzz|all]
# BUILD_ROOT is the folder given to cmake/build-all.sh (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build}
what=${2:-all}
drivers="$out/win64/tests/robustness"
program="$out/win32/orvenda.exe"
status=0

if [ "$what" = all ] || [ "$what" = long-use ]; then
    echo "== long use, 1,000 rounds, against $program"
    "$root/cmake/run-wine32.sh" "$out/win64" "$drivers/robust_long_use.exe" "$program" --cycles=1000 || status=1
fi
if [ "$what" = all ] || [ "$what" = fuzz ]; then
    echo "== input fuzzing, 10,000 sequences, against $program"
    "$root/cmake/run-wine32.sh" "$out/win64" "$drivers/robust_fuzz_input.exe" "$program" --sequences=10000 || status=1
fi
exit $status
