#!/bin/bash
# Runs a Windows program of the 64-bit build, a driver, that works the 32-bit
# product: run-wine32.sh WIN64_BUILD_DIR PROGRAM.exe [ARGS...]
# Driver and product share the 64-bit build's prefix, and with it one Wine
# server. Where the kernel runs no 32-bit code and qemu emulates the product,
# every wait of the drivers is ORVENDA_EMULATION_FACTOR (default 5) times
# longer, on top of ORVENDA_TIMEOUT_SCALE.
set -euo pipefail
here=$(dirname "$0")

i386_emulated() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        grep -qsx enabled "$entry" &&
            grep -qs '^magic 7f454c4601010100000000000000000002000300' "$entry" &&
            grep -qs '^interpreter .*qemu' "$entry" && return 0
    done
    return 1
}

if i386_emulated; then
    export ORVENDA_TIMEOUT_SCALE=$(( ${ORVENDA_TIMEOUT_SCALE:-1} * ${ORVENDA_EMULATION_FACTOR:-5} ))
fi
. "$here/wine-env.sh" "$1"
shift
if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "run-wine32: $WINEPREFIX has no 32-bit half: 32-bit Wine is missing (run" \
         "cmake/install-deps.sh), or the prefix was in use when it had to be made anew" >&2
    exit 1
fi
"$WINE" "$@"
