#!/bin/bash
# Installs what is missing, builds everything, and runs every test: the host
# tests of the directory and the tests that work the real window under Wine,
# of the 64-bit build and of the 32-bit product.
set -euo pipefail
cd "$(dirname "$0")"
trap 'echo "test.sh: $((SECONDS / 60)) min $((SECONDS % 60)) s"' EXIT
bash cmake/install-deps.sh
bash cmake/build-all.sh build
# The tests' Wine prefix, with its 32-bit half, takes minutes the first time
# where 32-bit code is emulated: made here, before any test's clock runs.
bash cmake/run-wine.sh build/win64 cmd /c exit
# One Wine window at a time: the tests type into the window that has the focus.
ctest --test-dir build/host --output-on-failure -j 1 "$@"
