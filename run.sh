#!/usr/bin/env bash
# Builds the program (no test) and starts it on the simulated control unit.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
vexano_install_missing
vexano_build program
program="$VEXANO_BUILD/bin/Vexano"
# The program keeps its configuration folders below the folder it starts in.
workshop="${VEXANO_HOME:-$HOME/Vexano}"
mkdir -p "$workshop"
cd "$workshop"
vexano_sample_firmware "$workshop"
echo "Starting $program in $workshop (simulated control unit)."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: the program runs on a virtual screen, every box answered" \
        "with its default; it connects, reads the unit, shows its main window in a" \
        "screenshot and closes."
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$VEXANO_ROOT/scripts/headless.sh" \
        "$program" "$@"
fi
exec "$program" "$@"
