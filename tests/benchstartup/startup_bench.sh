#!/usr/bin/env bash
# Start-up figures of the program on a virtual X server: from process start
# to the first paint of the splash and of the main window, the program's
# fixed waits reported apart, and peak memory. Usage:
#   startup_bench.sh <path to Vexano> [runs]
set -euo pipefail
program="$(realpath "$1")"
runs="${2:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Pellam"
printf '[General]\nComPort=1\nMainPath=%s\nLanguage=0\n' "$work" > "$work/config/Pellam/3307K.conf"

run_once() {
    local trace="$work/trace.$1"
    rm -f "$trace"
    local start
    start=$(date +%s%3N)
    (cd "$work" && XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
        SERQUARN_SIM_MEMORY="$work/unit.mem" VEXANO_STARTUP_TRACE="$trace" \
        VEXANO_MODAL_LOG="$work/modals.log" exec "$program") &
    local pid=$!
    for _ in $(seq 1 200); do
        grep -q '^main_painted' "$trace" 2>/dev/null && grep -q '^fixed_wait_end' "$trace" 2>/dev/null && break
        sleep 0.05
    done
    sleep 0.3
    local peak
    peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    awk -v start="$start" -v peak="$peak" '
        { t[$1] = $2 }
        END {
            wait = t["fixed_wait_end"] - t["fixed_wait_start"]
            main = t["main_painted"] - start
            if (t["main_painted"] > t["fixed_wait_start"]) main -= wait
            printf "splash %d ms, main window %d ms (fixed waits excluded), fixed waits %d ms, peak %.1f MB\n",
                t["splash_painted"] - start, main, wait, peak / 1024
        }' "$trace"
}

for i in $(seq 1 "$runs"); do
    run_once "$i"
done
