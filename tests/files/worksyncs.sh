#!/usr/bin/env bash
# Counts the syncs of a configuration save and of a load with strace: the
# work copy is never synced, the file the user keeps is. Usage:
#   worksyncs.sh <config_sync_probe>
set -euo pipefail
probe="$1"
command -v strace >/dev/null || { echo "strace is missing (scripts/setup.sh installs it)"; exit 1; }
if ! strace -f -qq -o /dev/null true 2>/dev/null; then
    echo "strace cannot trace processes here: not counted"
    exit 77
fi
work="$(mktemp -d "${TMPDIR:-/tmp}/worksyncs.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"

call='^[0-9]+ +[a-z_]*sync[a-z_]*\('
# syncs <save|load>: runs the probe traced; the log names each synced file
# by its folder (QSaveFile writes an unnamed file there before it links it):
# work copies go to $work/tmp, the kept file to $work.
syncs() {
    TMPDIR="$work/tmp" strace -f -qq -y -o "$work/$1.log" \
        -e trace=fsync,fdatasync,sync_file_range,syncfs,msync "$probe" "$1" "$work/Golf.vx4"
    grep -cE "$call" "$work/$1.log" || true
}
# count <folder> <save|load>: the syncs of files right in that folder.
count() { grep -cE "$call[0-9]+<$1/[^/]*>" "$work/$2.log" || true; }

failed=0
check() { # what, count, expected ("0" or "1+")
    local ok=1
    case "$3" in
        0) [ "$2" -eq 0 ] || ok=0 ;;
        1+) [ "$2" -ge 1 ] || ok=0 ;;
    esac
    printf '%-40s %3d (expected %s)%s\n' "$1" "$2" "$3" "$([ $ok -eq 1 ] || echo '  FAILED')"
    [ $ok -eq 1 ] || failed=1
}

save_total=$(syncs save)
check "save: syncs of the work copy" "$(count "$work/tmp" save)" 0
check "save: syncs of the kept file" "$(count "$work" save)" 1+
load_total=$(syncs load)
check "load: syncs of the work copy" "$(count "$work/tmp" load)" 0
check "load: syncs of any file" "$load_total" 0
[ "$failed" -eq 0 ] || { echo "save log:"; cat "$work/save.log"; echo "load log:"; cat "$work/load.log"; }
echo "syncs in all: save $save_total, load $load_total"
exit "$failed"
