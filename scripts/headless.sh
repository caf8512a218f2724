#!/usr/bin/env bash
# The main job where it can be seen without a display; run.sh starts this on
# a virtual X server. The program runs unattended (every box answered with
# its default, each printed here), connects to the unit and reads it; once
# its start-up trace says the connection is over, the main window goes to a
# screenshot and the program is asked to end as the system would.
#   headless.sh <program> [arguments]
set -euo pipefail
program="$1"
shift
here="$(cd "$(dirname "$0")" && pwd)"
shot="$PWD/main-window.png"
limit=300 # seconds for the start, and again for the close
work="$(mktemp -d)"
export VEXANO_MODAL_LOG="$work/boxes.log" VEXANO_STARTUP_TRACE="$work/trace"
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    echo "Headless run FAILED: $*" >&2
    exit 1
}

# Prints the boxes answered since the last call (only whole lines).
printed=0
print_boxes() {
    [ -f "$VEXANO_MODAL_LOG" ] || return 0
    local total
    total=$(wc -l <"$VEXANO_MODAL_LOG")
    [ "$total" -gt "$printed" ] || return 0
    tail -n +"$((printed + 1))" "$VEXANO_MODAL_LOG" | head -n "$((total - printed))" |
        "$here/answered-boxes.sh"
    printed=$total
}

# Waits until the program ends or the test command holds; false after limit.
wait_while_running() {
    local deadline=$((SECONDS + limit))
    while kill -0 "$pid" 2>/dev/null && ! "$@"; do
        print_boxes
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
    print_boxes
}

connect_ended() { grep -q '^connect_end ' "$VEXANO_STARTUP_TRACE" 2>/dev/null; }
never() { false; }

started=$(date +%s%3N)
"$program" "$@" &
pid=$!
wait_while_running connect_ended || fail "the start-up connection was not over after $limit s"
if ! connect_ended; then
    rc=0
    wait "$pid" || rc=$?
    pid=""
    fail "the program ended during its start (exit code $rc)"
fi

elapsed=$(($(date +%s%3N) - started))
printf 'Start-up and its connection over after %d.%01d s.\n' $((elapsed / 1000)) $((elapsed % 1000 / 100))
window="$(xdotool search --onlyvisible --pid "$pid" | head -n 1)"
[ -n "$window" ] || fail "no window of the program on the virtual screen"
import -window "$window" "$shot" || fail "no screenshot"
echo "Screenshot of the main window: $shot"

kill -TERM "$pid" 2>/dev/null || true
wait_while_running never || fail "the program did not close within $limit s"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" -eq 0 ] || fail "the program closed with exit code $rc"
echo "The program closed (exit code 0)."
