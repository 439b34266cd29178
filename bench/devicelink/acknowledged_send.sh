#!/usr/bin/env bash
# The acknowledged send of devicelink_bench (200 messages at interval 0, a unit that
# answers at once) on Linux and, built for Windows, under Wine, side by side:
#   bench/devicelink/acknowledged_send.sh [runs] [cpus] [benchmark]
# (another benchmark of devicelink_bench with an ms_per_message counter, such as
# NoReplySend, in place of AcknowledgedSend when named).
# Needs the normal build (build/main) and the Windows build with its benchmark
# (DREMLOR_WINDOWS_BENCHMARKS=ON bash tools/build-windows.sh). Each run is one start of
# the benchmark (7 sends); the script prints each run's median in ms per message, then
# the median of the runs, their spread and the ratio Wine / Linux.
# Both sides run on the same CPUs (default 6,7; Wine's server is started there too):
# on a machine where other work runs, the figure under Wine depends on where Wine's
# server and the program's threads land far more than the Linux one does.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
runs="${1:-5}"
cpus="${2:-6,7}"
benchmark="${3:-AcknowledgedSend}"
windows="${DREMLOR_BUILD_DIR:-$root/build}/windows"
linuxBench="${DREMLOR_BUILD_DIR:-$root/build}/main/bin/devicelink_bench"
windowsBench="$windows/build/bin/devicelink_bench.exe"

for bench in "$linuxBench" "$windowsBench"; do
    [ -x "$bench" ] || [ -f "$bench" ] || { echo "missing: $bench" >&2; exit 1; }
done

# The same Wine set-up as the Windows tests (tools/test-windows.sh).
export WINEPREFIX="$windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv="

if [ ! -e "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    taskset -c "$cpus" wineboot --init > "$windows/wineboot.log" 2>&1
fi

# One run: the median line's ms_per_message.
runOnce ()
{
    taskset -c "$cpus" bash "$root/tools/xvfb-session.sh" "$@" --benchmark_filter="^$benchmark/" 2>/dev/null \
        | sed -n "s/^$benchmark\/.*_median .*ms_per_message=\([0-9.]*\).*/\1/p"
}

# "median min max" of the numbers given.
summary ()
{
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "%.3f %.3f %.3f\n", m, v[1], v[NR] }'
}

declare -A figures
for side in linux wine; do
    values=()
    # A server left from an earlier run may sit on other CPUs: start a fresh one here.
    [ "$side" = wine ] && { wineserver --kill 2>/dev/null || true; }

    for ((run = 1; run <= runs; ++run)); do
        if [ "$side" = linux ]; then
            value="$(runOnce "$linuxBench")"
        else
            value="$(cd "$(dirname "$windowsBench")" && runOnce wine "./$(basename "$windowsBench")")"
        fi
        [ -n "$value" ] || { echo "$side run $run: no figure" >&2; exit 1; }
        echo "$side run $run: $value ms per message"
        values+=("$value")
    done

    figures[$side]="$(summary "${values[@]}")"
done

wineserver --kill 2>/dev/null || true
read -r linuxMedian linuxMin linuxMax <<< "${figures[linux]}"
read -r wineMedian wineMin wineMax <<< "${figures[wine]}"
echo "$benchmark"
echo "Linux: median $linuxMedian ms per message ($linuxMin to $linuxMax) over $runs runs on CPUs $cpus"
echo "Wine:  median $wineMedian ms per message ($wineMin to $wineMax) over $runs runs on CPUs $cpus"
awk -v w="$wineMedian" -v l="$linuxMedian" 'BEGIN { printf "Wine / Linux: %.2f\n", w / l }'
