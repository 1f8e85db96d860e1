#!/bin/bash
# Installs what is missing, builds, and starts the program under Wine
# (on your display, or on a private Xvfb display when there is none).
set -euo pipefail
cd "$(dirname "$0")"
bash cmake/install-deps.sh
bash cmake/build-all.sh build
. cmake/wine-env.sh build/win64
echo "Starting build/win64/orvenda.exe on display $DISPLAY"
"$WINE" build/win64/orvenda.exe || echo "orvenda.exe exited with code $?"
