#!/bin/bash
# The runs against the 32-bit product that are too long for test.sh where
# the product is emulated (one start takes one to two and a half minutes,
# one fuzzing sequence about ten seconds): long use (1,000 rounds), the full
# input fuzzing (10,000 sequences, seed 20261211, the same sequences as the
# 64-bit build's full run; about a day under emulation), racing exits and
# ignored commands. All go through cmake/run-wine32.sh, so their waits are
# lengthened where the product is emulated.
#   tests/product32/full-run.sh [BUILD_ROOT] [WHAT] [driver options...]
# BUILD_ROOT is the folder given to cmake/build-all.sh (default: build).
# WHAT: long-use, fuzz, racing-exits, ignored-commands or all (default).
# Driver options come before the defaults and win over them, for example
#   tests/product32/full-run.sh build fuzz --sequences=500
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build}
what=${2:-all}
shift $(( $# < 2 ? $# : 2 ))
drivers="$out/win64/tests/robustness"
program="$out/win32/orvenda.exe"
status=0

run() {  # run NAME DRIVER DEFAULT_OPTIONS...
    local name=$1 driver=$2
    shift 2
    [ "$what" = all ] || [ "$what" = "$name" ] || return 0
    echo "== $name against $program ($(date -u '+%H:%M UTC'))"
    local start=$SECONDS
    "$root/cmake/run-wine32.sh" "$out/win64" "$drivers/$driver" "$program" "${options[@]}" "$@" || status=1
    echo "== $name: $(( (SECONDS - start) / 60 )) min"
}

options=("$@")
run long-use robust_long_use.exe --cycles=1000
run fuzz robust_fuzz_input.exe --sequences=10000
run racing-exits robust_racing_exits.exe
run ignored-commands robust_ignored_commands.exe
exit $status
