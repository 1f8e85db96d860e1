#!/bin/bash
# Configures and builds the 32-bit product, the 64-bit build that runs here
# under Wine, and the host tests: build-all.sh [BUILD_ROOT] [extra cmake args for the Windows builds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build}
shift || true
jobs=$(nproc)
for arch in i686:win32 x86_64:win64; do
    cmake -S "$root" -B "$out/${arch#*:}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-${arch%%:*}.cmake" "$@" >/dev/null
    cmake --build "$out/${arch#*:}" -j "$jobs" >/dev/null
done
cmake -S "$root" -B "$out/host" -DORVENDA_WIN64_DIR="$out/win64" -DORVENDA_WIN32_DIR="$out/win32" >/dev/null
cmake --build "$out/host" -j "$jobs" >/dev/null
