#!/usr/bin/env bash
# Installs what is missing, builds, and starts Nitidor on the simulated camera; options are
# passed on (scripts/run.sh --focus 5 runs from the command line, no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."

no_display() {
    echo "nitidor: $1" >&2
    echo "nitidor is a desktop application and needs a graphical display." >&2
    echo "Run this from a desktop session, or under a virtual display: xvfb-run -a scripts/run.sh" >&2
    exit 1
}

# Say so before a long build, not through a window-system error after it. With options the
# program runs from the command line and shows no window.
if [ $# -eq 0 ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        no_display "no display is set (DISPLAY and WAYLAND_DISPLAY are empty)."
    fi
    # A local X display (":N") has its socket here; a missing one means no server is running.
    if [ -z "${WAYLAND_DISPLAY:-}" ] && [[ "${DISPLAY:-}" =~ ^:([0-9]+) ]] &&
        [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[1]}" ]; then
        no_display "DISPLAY is ${DISPLAY}, but no X server is listening there."
    fi
fi

scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target nitidor
exec build/dev/src/app/nitidor "$@"
