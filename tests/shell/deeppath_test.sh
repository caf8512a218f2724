#!/usr/bin/env bash
# Two program tests run side by side from a temporary folder too deep for a
# local socket, with one runtime folder and one home handed to both as a
# careless session would: each must still start as a copy of its own and
# pass, and the home must stay as it was.
#   deeppath_test.sh <test program> <test filter>
set -euo pipefail
program="$1"
filter="$2"
base="$(mktemp -d)"
trap 'rm -rf "$base"' EXIT
deep="$base/"
while [ ${#deep} -lt 150 ]; do deep+=d; done
mkdir -p "$deep/run" "$base/home"
chmod 0700 "$deep/run"

pids=()
for i in 1 2; do
    HOME="$base/home" TMPDIR="$deep" XDG_RUNTIME_DIR="$deep/run" \
        SERQUARN_SIM_MEMORY="$base/unit$i.mem" \
        "$program" --gtest_filter="$filter" >"$base/run$i.log" 2>&1 &
    pids+=($!)
done
failed=0
for i in 1 2; do
    rc=0
    wait "${pids[$((i - 1))]}" || rc=$?
    if [ "$rc" -ne 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$base/run$i.log"; then
        echo "run $i of 2 failed (exit code $rc):"
        cat "$base/run$i.log"
        failed=1
    fi
done
if [ -n "$(ls -A "$base/home")" ]; then
    echo "the tests wrote into the home they were given:"
    find "$base/home"
    failed=1
fi
exit "$failed"
