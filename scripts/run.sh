#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nitidor on the simulated camera.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target nitidor
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "nitidor needs a graphical display, and none is set (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
    echo "Run it from a desktop session, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
exec build/dev/src/app/nitidor "$@"
