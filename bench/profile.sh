#!/bin/bash
# Where one start-up spends its time: records the whole machine with perf
# while bench.exe starts EXE once (until its dialog is visible with both lists
# complete), then sums the samples of this run's own processes (EXE, the
# driver, this prefix's Wine server and this display's Xvfb) by process, by
# module and by function (Wine's PE modules are named through their own debug
# information). Other work on the machine is left out of the sums.
#   bash bench/profile.sh [EXE [PERCENT]]   (default: bench\floor_p100.exe 100)
# Needs perf (Debian package linux-perf) and the build made by bench/run.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${ORVENDA_BENCH_BUILD:-$root/build-bench}
exe=${1:-'bench\floor_p100.exe'}
percent=${2:-100}
renice -n -10 -p $$ >/dev/null 2>&1 || true
. "$root/cmake/wine-env.sh" "$out/win64"
"${WINE%/*}/wineserver" -p 2>/dev/null || true   # already up when run.sh calls this
cd "$out/win64"
"$WINE" bench/bench.exe once "$exe" "$percent" >/dev/null   # warm

# This prefix's server works in a folder named after the prefix's device and inode.
server_dir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
pids=""
for p in /proc/[0-9]*; do
    case "$(readlink "$p/cwd" 2>/dev/null)" in */"$server_dir") pids="$pids ${p#/proc/}" ;; esac
done
pids="$pids ${ORVENDA_XVFB_PID:-}"

perf record -a -F 1999 -o "$out/perf.data" -- "$WINE" bench/bench.exe once "$exe" "$percent" 2>/dev/null
perf script -i "$out/perf.data" -F comm,pid,ip,sym,dso 2>/dev/null | python3 "$root/bench/profile.py" $pids
