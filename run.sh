#!/usr/bin/env bash
# Builds the program and starts it on the simulated control unit.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
vexano_install_missing
vexano_build
program="$VEXANO_BUILD/bin/Vexano"
if [ ! -x "$program" ]; then
    echo "Built the libraries and the simulated unit in $VEXANO_BUILD/bin;"
    echo "the program's windows are not built yet, so nothing was started."
    exit 0
fi
cd "$VEXANO_ROOT"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program under a virtual X server."
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
