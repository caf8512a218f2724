#!/usr/bin/env bash
# Start-up figures of the program on a virtual X server: from process start
# to the first paint of the splash and of the main window, the program's
# fixed waits, and peak memory. A main window that is painted only after the
# splash's fixed wait is reported as such, with the wait in its time. Usage:
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
            late = !("main_painted" in t) || t["main_painted"] > t["fixed_wait_start"]
            printf "splash %s, main window %s, fixed waits %d ms, peak %.1f MB%s\n",
                since("splash_painted"), since("main_painted"), wait, peak / 1024,
                late ? " (LATE: main window painted only after the fixed wait)" : ""
        }
        function since(event) {
            return (event in t) ? sprintf("%d ms", t[event] - start) : "never painted"
        }' "$trace" | tee -a "$work/results"
}

for i in $(seq 1 "$runs"); do
    run_once "$i"
done
late=$(grep -c LATE "$work/results" || true)
echo "main window painted only after the fixed wait in $late of $runs starts"
