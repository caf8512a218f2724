#!/usr/bin/env bash
# Installs what the build needs, only when something is missing, then
# configures and builds. Sourced by run.sh and test.sh.
set -euo pipefail

VEXANO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VEXANO_BUILD="${VEXANO_BUILD:-$VEXANO_ROOT/build}"

VEXANO_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
    qt6-translations-l10n
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth fonts-dejavu-core fonts-dejavu-extra
    imagemagick xdotool strace
)

vexano_install_missing() {
    local missing=()
    local p
    for p in "${VEXANO_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# Builds the targets named, or every target (tests, benchmarks and fuzzers
# too) when none is.
vexano_build() {
    if [ ! -f "$VEXANO_BUILD/build.ninja" ]; then
        cmake -S "$VEXANO_ROOT" -B "$VEXANO_BUILD" -G Ninja
    fi
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    cmake --build "$VEXANO_BUILD" -j "$(nproc)" "${targets[@]}"
}

# Copies the build's sample firmware into the workshop's "Firmware" folder,
# each file only when it is not there yet.
vexano_sample_firmware() {
    local folder="$1/Firmware" f
    mkdir -p "$folder"
    for f in "$VEXANO_BUILD"/firmware/*; do
        [ -e "$f" ] || continue
        [ -e "$folder/$(basename "$f")" ] || cp "$f" "$folder/"
    done
}
