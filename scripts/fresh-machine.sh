#!/usr/bin/env bash
# Checks that the project sets itself up on a minimal Debian 12 machine: makes
# a minbase root once (kept as a tarball), unpacks a fresh copy, clones the
# current commit into it and runs ./test.sh and a headless ./run.sh there.
# Needs root and the Debian mirror, so it is not part of CI.
#   scripts/fresh-machine.sh          the tarball lives in ${TMPDIR:-/tmp}
#   VEXANO_FRESH_CACHE=<dir>          keeps the tarball there instead
#   VEXANO_FRESH_KEEP=1               leaves the unpacked root for a look
set -euo pipefail

fail() {
    echo "fresh-machine: FAILED: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || fail "run it as root (it makes a chroot)"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
commit="$(git -C "$repo" rev-parse HEAD)"
[ -z "$(git -C "$repo" --no-optional-locks status --porcelain --untracked-files=no)" ] ||
    echo "fresh-machine: uncommitted changes are not tested, only $commit"
cache="${VEXANO_FRESH_CACHE:-${TMPDIR:-/tmp}/vexano-fresh}"
tarball="$cache/bookworm-minbase.tar"
mirror="${VEXANO_FRESH_MIRROR:-http://deb.debian.org/debian}"
started=$(date +%s)

make_tarball() {
    command -v debootstrap >/dev/null || {
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
    }
    local base
    base="$(mktemp -d "$cache/base.XXXXXX")"
    echo "fresh-machine: making the minimal root (once) in $base"
    debootstrap --variant=minbase bookworm "$base" "$mirror" || fail "debootstrap"
    tar -C "$base" -cf "$tarball.part" . || fail "packing the minimal root"
    mv "$tarball.part" "$tarball"
    rm -rf --one-file-system "$base"
}

mkdir -p "$cache"
[ -f "$tarball" ] || make_tarball

root="$(mktemp -d "$cache/root.XXXXXX")"
mounted=()

# Unmounts in reverse order; the copy is removed only when nothing is
# mounted in it any more, so the host's /dev can never be deleted.
cleanup() {
    local i pid
    # Whatever the run left behind in the copy (started by this script).
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        if [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ]; then
            kill "$pid" 2>/dev/null || true
        fi
    done
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" || true
    done
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "fresh-machine: $root still has mounts; left in place" >&2
    elif [ "${VEXANO_FRESH_KEEP:-0}" = 1 ]; then
        echo "fresh-machine: root kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT

mount_in() {
    mount "$@" || fail "mount $*"
    mounted+=("${*: -1}")
}

tar -C "$root" -xf "$tarball" || fail "unpacking the minimal root"
# mktemp made it 0700: as "/" it must let every user through, as on a machine.
chmod 755 "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q --no-checkout "$repo" "$root/root/vexano" || fail "git clone"
git -C "$root/root/vexano" -c advice.detachedHead=false checkout -q "$commit" ||
    fail "checkout of $commit"

mount_in -t proc proc "$root/proc"
mount_in -t sysfs sysfs "$root/sys"
mount_in --rbind /dev "$root/dev"
mount --make-rslave "$root/dev"

in_root() {
    env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM="${TERM:-dumb}" chroot "$root" /bin/bash -c "cd /root/vexano && $1"
}

echo "fresh-machine: commit $commit in $root"
in_root ./test.sh || fail "./test.sh on the minimal root"
in_root ./run.sh | tee "$root/run.out" || fail "the headless ./run.sh on the minimal root"
shot="$(sed -n 's/^Screenshot of the main window: //p' "$root/run.out" | tail -1)"
[ -n "$shot" ] && [ -s "$root$shot" ] || fail "the headless ./run.sh wrote no screenshot"
cp "$root$shot" "$cache/main-window.png"
echo "fresh-machine: the main window on the minimal root: $cache/main-window.png"
echo "fresh-machine: PASSED in $(($(date +%s) - started)) s"
