#!/bin/bash
# Start-up of the 32-bit product beside the 64-bit build, in the same Wine
# prefix and server, in interleaved pairs (the order alternating; pair 0
# warms up and is not counted). A start is timed from launching the program
# under Wine to its main window becoming visible on the X display, which the
# program shows only once both lists are full. Where the kernel runs no
# 32-bit code, qemu emulates the 32-bit program, so its figure tells about
# the emulator, not about the program.
#   cmake/startup32.sh [BUILD_ROOT] [PAIRS]      (defaults: build, 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "${1:-$root/build}" && pwd)
pairs=${2:-5}
caption="Orvenda 1.0.0"
. "$root/cmake/wine-env.sh" "$out/win64"
"${WINE%/*}/wineserver" -p 2>/dev/null || true   # one warm server for every start
"$WINE" cmd /c exit >/dev/null 2>&1 || true

# Milliseconds from launch to the visible window (-1 after 10 minutes); the
# program is then killed.
start_ms() {
    local begin now pid state
    begin=$(date +%s%N)
    "$WINE" "$1" >/dev/null 2>&1 &
    pid=$!
    while :; do
        now=$(date +%s%N)
        state=$(xwininfo -name "$caption" 2>/dev/null | grep 'Map State' || true)
        [[ $state == *IsViewable* ]] && break
        if (( now - begin > 600000000000 )); then now=-1; break; fi
        sleep 0.2
    done
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    while xwininfo -name "$caption" >/dev/null 2>&1; do sleep 0.2; done
    if (( now < 0 )); then echo -1; else echo $(( (now - begin) / 1000000 )); fi
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "pair,ms_win32,ms_win64,ratio"
results=()
for pair in $(seq 0 "$pairs"); do
    if (( pair % 2 == 0 )); then
        a=$(start_ms "$out/win32/orvenda.exe"); b=$(start_ms "$out/win64/orvenda.exe")
    else
        b=$(start_ms "$out/win64/orvenda.exe"); a=$(start_ms "$out/win32/orvenda.exe")
    fi
    ratio=$(LC_ALL=C awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", (a > 0 && b > 0) ? a / b : -1 }')
    echo "$pair,$a,$b,$ratio"
    (( pair > 0 )) && results+=("$a,$b,$ratio")
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%s\n' "${results[@]}" | python3 -c '
import statistics, sys
rows = [[float(v) for v in line.split(",")] for line in sys.stdin if line.strip()]
for name, column in (("32-bit ms", 0), ("64-bit ms", 1), ("ratio", 2)):
    values = [r[column] for r in rows if r[column] > 0]
    failed = len(rows) - len(values)
    if values:
        print(f"{name}: median {statistics.median(values):.1f}, min {min(values):.1f}, max {max(values):.1f},"
              f" {len(values)} pairs, {failed} failed")
'
