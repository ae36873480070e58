#!/usr/bin/env bash
# Runs the built program as a person would, on a private virtual X display with a window
# manager and the accessibility bus, and drives it with tests/e2e/nitidor_e2e.py:
#
#   tests/e2e/run_e2e.sh build/ci/src/app/nitidor [output folder, default build/ci/e2e]
#
# The output folder gets e2e.log (each step and its result), the program's own output and,
# for a failing step, a screenshot. NITIDOR_E2E_SCREENSHOTS=all keeps one after every step;
# NITIDOR_E2E_SCREEN=WxH sets the display's size (default 1280x1024, a small desk's screen,
# where the windows must still open beside each other).
# Everything started here carries a token in its environment; the clean-up ends exactly the
# processes that carry it, whether the suite passes, fails or is interrupted.
# shellcheck disable=SC2317 # the clean-up runs from traps
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 path/to/nitidor [output folder]" >&2; exit 2; }
[[ -f "$1" && -x "$1" ]] || { echo "e2e: $1 is not a program; build it first" >&2; exit 2; }
program=$(realpath "$1")
out=${2:-build/ci/e2e}
screen=${NITIDOR_E2E_SCREEN:-1280x1024}
[[ "$screen" =~ ^[0-9]+x[0-9]+$ ]] || { echo "e2e: NITIDOR_E2E_SCREEN is not WxH" >&2; exit 2; }
for tool in Xvfb openbox xdotool wmctrl xprop dbus-daemon dbus-send /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "e2e: no $tool; run scripts/deps.sh" >&2; exit 2; }
done

mkdir -p "$out"
out=$(realpath "$out")
rm -f "$out"/e2e-*.png "$out"/{e2e,nitidor,xvfb,openbox,dbus,at-spi}.log
tmp=$(mktemp -d "${TMPDIR:-/tmp}/nitidor-e2e.XXXXXX")
mkdir -m 700 "$tmp/run"
mkdir "$tmp/fb" "$tmp/work" "$tmp/home" "$tmp/config" "$tmp/cache" "$tmp/data"

NITIDOR_E2E_TOKEN="nitidor-e2e-$$-$(od -An -N8 -tx8 /dev/urandom | tr -d ' ')"
export NITIDOR_E2E_TOKEN

# Every process whose environment holds our token: started by this run, directly or not (the
# accessibility bus starts its registry daemon and lets go of it).
ours() {
    local environ pid
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        [ "$pid" = "$$" ] && continue
        grep -qzx "NITIDOR_E2E_TOKEN=$NITIDOR_E2E_TOKEN" "$environ" 2>/dev/null && echo "$pid"
    done
    return 0
}

cleanup() {
    local status=$? pids pid _
    trap - EXIT INT TERM
    pids=$(ours)
    # shellcheck disable=SC2086 # a list of numbers
    [ -n "$pids" ] && { kill -TERM $pids 2>/dev/null || true; }
    for _ in $(seq 20); do
        pids=$(ours)
        [ -z "$pids" ] && break
        sleep 0.1
    done
    for pid in $pids; do
        echo "e2e: process $pid did not end on request; killing it" >&2
        kill -KILL "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$tmp"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Private everything: the display, the buses, settings, runtime folder (which holds the
# single-instance lock) and the working folder (Temp.jpg).
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config
export XDG_CACHE_HOME=$tmp/cache XDG_DATA_HOME=$tmp/data
unset WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

# Xvfb takes the first free display number itself and writes it here when it is ready.
: >"$tmp/display"
exec {display_fd}>"$tmp/display"
Xvfb -displayfd "$display_fd" -screen 0 "${screen}x24" -nolisten tcp -noreset \
    -fbdir "$tmp/fb" >"$out/xvfb.log" 2>&1 &
exec {display_fd}>&-

wait_for() { # what, seconds, command...
    local what=$1 tries=$(($2 * 10))
    shift 2
    until "$@" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || { echo "e2e: $what did not come up; see $out" >&2; exit 1; }
        sleep 0.1
    done
}
wait_for "the virtual X server" 10 grep -q . "$tmp/display"
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY

openbox --sm-disable >"$out/openbox.log" 2>&1 &
wait_for "the window manager" 10 wmctrl -m

dbus-daemon --session --nofork --nopidfile --address="unix:path=$tmp/session-bus" \
    >"$out/dbus.log" 2>&1 &
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/session-bus"
wait_for "the session bus" 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.GetId

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$out/at-spi.log" 2>&1 &
wait_for "the accessibility bus" 10 dbus-send --session --print-reply --dest=org.a11y.Bus \
    /org/a11y/bus org.a11y.Bus.GetAddress

echo "e2e: display $DISPLAY ($screen), output in $out"
# The driver bounds every step; this bounds the whole, well inside three minutes. It runs in the
# background so that an interrupt reaches the clean-up at once, not after the driver.
# NITIDOR_E2E_SUITE=camera runs the real-camera steps instead (tests/pipewire starts them).
suite=nitidor_e2e.py
[ "${NITIDOR_E2E_SUITE:-}" = camera ] && suite=camera_e2e.py
timeout --kill-after=5 160 /usr/bin/python3 -B "$here/$suite" \
    --program "$program" --out "$out" --workdir "$tmp/work" \
    --settings "$tmp/settings.reg" --framebuffer "$tmp/fb/Xvfb_screen0" &
status=0
wait $! || status=$?
[ "$status" -eq 124 ] && echo "e2e: the suite ran out of time" | tee -a "$out/e2e.log" >&2
exit "$status"
