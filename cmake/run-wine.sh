#!/bin/bash
# Runs one Windows program of a build under Wine, with the build's prefix,
# the Czech locale and a display: run-wine.sh BUILD_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh" "$1"
shift
"$WINE" "$@"
