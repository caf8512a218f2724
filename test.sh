#!/usr/bin/env bash
# Builds everything and runs every test (widget tests offscreen).
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
vexano_install_missing
vexano_build
cd "$VEXANO_BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
