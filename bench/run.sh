#!/bin/bash
# Builds both Windows builds and measures, in one run under Wine on Xvfb with
# the Czech locale: start-up of the program against the floor at 25, 50 and
# 100 % of the table, type-ahead in the program and in the floor, the sizes
# of both exe files and the peak working sets. Writes the raw results to
# BUILD/results/ and the figures into docs/performance.md and docs/startup.png.
#   bash bench/run.sh [RUNS] [PREFIXES]        (defaults: 15 runs, 1000 prefixes)
# BUILD is build-bench/ beside this folder's parent, or $ORVENDA_BENCH_BUILD.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${ORVENDA_BENCH_BUILD:-$root/build-bench}
runs=${1:-15}
prefixes=${2:-1000}
seed=20261211

cd "$root"
bash cmake/install-deps.sh
for arch in i686:win32 x86_64:win64; do
    cmake -S "$root" -B "$out/${arch#*:}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-${arch%%:*}.cmake" >/dev/null
    cmake --build "$out/${arch#*:}" -j "$(nproc)" --target orvenda >/dev/null
done
cmake --build "$out/win64" -j "$(nproc)" --target bench orvenda_p25 orvenda_p50 floor_p25 floor_p50 floor_p100 >/dev/null

# Other work on this machine competes for its cores: as root the measurements
# run at a raised priority (Xvfb and the Wine server inherit it).
renice -n -10 -p $$ >/dev/null 2>&1 || true

results="$out/results"
rm -rf "$results"
mkdir -p "$results"
. cmake/wine-env.sh "$out/win64"
# A server that stays up between the runs: every start meets a warm one.
"${WINE%/*}/wineserver" -p
"$WINE" cmd /c exit >/dev/null 2>&1 || true

{
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "commit: $(git -C "$root" rev-parse --short HEAD)"
    echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
    echo "cores: $(nproc)"
    echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
    echo "kernel: $(uname -r)"
    echo "wine: $("$WINE" --version)"
    echo "display: Xvfb 1280x1024x24"
    echo "locale: $LANG"
    echo "priority: nice $(nice)"
    echo "load_before: $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "exe_win32: $(stat -c %s "$out/win32/orvenda.exe")"
    echo "exe_win64: $(stat -c %s "$out/win64/orvenda.exe")"
} >"$results/machine.txt"

cd "$out/win64"
echo "start-up: $runs runs of 6 programs"
"$WINE" bench/bench.exe startup "$runs" >"$results/startup.csv"
echo "type-ahead: $prefixes prefixes, program and floor"
"$WINE" bench/bench.exe typeahead "$prefixes" "$seed" program >"$results/typeahead-program.csv"
"$WINE" bench/bench.exe typeahead "$prefixes" "$seed" floor >"$results/typeahead-floor.csv"
echo "load_after: $(cut -d' ' -f1-3 /proc/loadavg)" >>"$results/machine.txt"
echo "command: bash bench/run.sh $runs $prefixes (seed $seed)" >>"$results/machine.txt"

cd "$root"
python3 bench/report.py "$results" docs/performance.md docs/startup.png
echo "results in $results; figures in docs/performance.md and docs/startup.png"
