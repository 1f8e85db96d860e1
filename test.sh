#!/bin/bash
# Installs what is missing, builds everything, and runs every test: the host
# tests of the directory and the tests that work the real window under Wine.
set -euo pipefail
cd "$(dirname "$0")"
bash cmake/install-deps.sh
bash cmake/build-all.sh build
# One Wine window at a time: the tests type into the window that has the focus.
ctest --test-dir build/host --output-on-failure -j 1 "$@"
