#!/usr/bin/env bash
# Runs the built program against a real V4L2 implementation: PipeWire's V4L2 compatibility
# layer (pw-v4l2) serving video sources that GStreamer feeds with a chart, on a private
# runtime folder and session bus:
#
#   tests/pipewire/run_pipewire.sh build/ci/src/app/nitidor [output folder, default build/ci/pipewire]
#
# It checks --list-cameras, a focus run with figures from the picture, and the lost-camera path
# when a source stops mid-run, then runs the end-to-end suite's camera steps (tests/e2e) with
# the program under pw-v4l2. When the PipeWire stack itself cannot start, it says so and skips;
# anything that fails after the stack is up fails the run.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 path/to/nitidor [output folder]" >&2; exit 2; }
[[ -f "$1" && -x "$1" ]] || { echo "pipewire: $1 is not a program; build it first" >&2; exit 2; }
program=$(realpath "$1")
out=${2:-build/ci/pipewire}
mkdir -p "$out"
out=$(realpath "$out")
rm -f "$out"/*.log "$out"/*.json "$out"/*.png

skip() {
    echo "pipewire: SKIPPED, the PipeWire stack cannot start here: $*" | tee "$out/result.log"
    exit 0
}
for tool in pipewire wireplumber pw-v4l2 gst-launch-1.0 dbus-run-session; do
    command -v "$tool" >/dev/null || skip "no $tool (scripts/deps.sh installs it)"
done

if [ -z "${NITIDOR_PW_INSIDE:-}" ]; then
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/nitidor-pw.XXXXXX")
    trap 'rm -rf "$tmp"' EXIT
    mkdir -m 700 "$tmp/run"
    # A session bus of its own, which ends with the checks.
    status=0
    NITIDOR_PW_INSIDE=1 NITIDOR_PW_TMP=$tmp XDG_RUNTIME_DIR=$tmp/run \
        dbus-run-session -- "$0" "$program" "$out" || status=$?
    exit "$status"
fi

tmp=$NITIDOR_PW_TMP
pids=()
cleanup() {
    local status=$? pid
    trap - EXIT INT TERM
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

pipewire >"$out/pipewire.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break
    sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/pipewire-0" ] || skip "pipewire did not open its socket in 10 s ($out/pipewire.log)"
wireplumber >"$out/wireplumber.log" 2>&1 &
pids+=($!)

/usr/bin/python3 "$here/chart.py" "$tmp/chart.png" 640x480

# One source: the chart at 640 x 480, YUYV at 30 frames a second, or as JPEG at 1280 x 720.
source_pid=
start_source() { # name, yuyv|mjpeg
    local caps
    if [ "$2" = yuyv ]; then
        caps="video/x-raw,format=YUY2,width=640,height=480,framerate=30/1"
    else
        caps="video/x-raw,width=1280,height=720,framerate=30/1 ! jpegenc ! image/jpeg"
    fi
    # shellcheck disable=SC2086 # the caps are elements and caps, split on purpose
    gst-launch-1.0 -q filesrc location="$tmp/chart.png" ! pngdec ! imagefreeze is-live=true ! videoconvert \
        ! videoscale ! $caps ! pipewiresink mode=provide \
        stream-properties="props,media.class=Video/Source,node.description=$1" \
        >"$out/source-$1.log" 2>&1 &
    source_pid=$!
    pids+=("$source_pid")
}

export NITIDOR_REGISTRY_FILE="$tmp/settings.reg"
run() { pw-v4l2 "$program" "$@"; }

# A source that has served one stream serves the next only once PipeWire has suspended it,
# seconds later: each check that streams takes a source of its own.
listed() { # name...
    local name names
    names=$(run --list-cameras 2>/dev/null || true)
    for name in "$@"; do grep -qx "$name" <<<"$names" || return 1; done
}
wait_listed() { # name...
    for _ in $(seq 100); do
        listed "$@" && return 0
        sleep 0.2
    done
    echo "pipewire: the sources $* did not show as cameras in 20 s"
    return 1
}

# TestCam alone at first: the end-to-end steps pick it as the menu's second camera, and PipeWire
# lists its nodes in no fixed order.
start_source TestCam yuyv
wait_listed TestCam || true

passed=0
failed=0
check() { # name, command...
    local name=$1
    shift
    if "$@" >>"$out/checks.log" 2>&1; then
        passed=$((passed + 1))
        echo "pipewire: ok     $name"
    else
        failed=$((failed + 1))
        echo "pipewire: FAILED $name (see $out/checks.log)"
    fi
}

lists_the_cameras() {
    local names
    names=$(run --list-cameras)
    printf '%s\n' "$names"
    [ "$(printf '%s\n' "$names" | head -n1)" = Standard_Camera ] &&
        grep -qx TestCam <<<"$names" && grep -qx TestJpeg <<<"$names"
}

figures_from_the_picture() { # camera, yuyv|mjpeg|"" (a source of its own, or one running)
    [ -z "$2" ] || { start_source "$1" "$2" && wait_listed "$1"; } || return 1
    run --camera "$1" --focus 3 --regions --json >"$out/focus-$1.json"
    /usr/bin/python3 - "$out/focus-$1.json" <<'PY'
import json, sys
lines = [json.loads(l) for l in open(sys.argv[1])]
figures = [l for l in lines if l["type"] == "figure"]
summary = lines[-1]
assert summary["type"] == "summary" and summary["exit_code"] == 0, summary
assert len(figures) >= 5, f"{len(figures)} figures"
for f in figures:
    centre = f["mtf50"]["c"]
    # The figure is the centre's MTF50 x 10000; the chart's blurred edge gives about 0.2.
    assert centre is not None and abs(f["figure"] - round(centre * 10000)) <= 1, f
    assert 0.05 < centre < 0.5, f
    assert all(f["mtf50"][k] is not None for k in ("tl", "tr", "bl", "br")), f
print(f"{len(figures)} figures, the last {figures[-1]['figure']}")
PY
}

lost_when_the_source_stops() { # STOP (frozen: silence) or TERM (gone)
    start_source "Test$1" yuyv
    wait_listed "Test$1" || return 1
    local started status=0 stopped ended
    run --camera "Test$1" --focus 30 --regions >"$out/lost.csv" 2>"$out/lost.err" &
    local runner=$!
    started=$(date +%s%N)
    # Once figures come, the source goes.
    until [ "$(wc -l <"$out/lost.csv")" -ge 4 ]; do
        kill -0 "$runner" 2>/dev/null || break
        [ $(( ($(date +%s%N) - started) / 1000000 )) -lt 20000 ] || break
        sleep 0.1
    done
    kill "-$1" "$source_pid"
    stopped=$(date +%s%N)
    wait "$runner" || status=$?
    ended=$(date +%s%N)
    kill -CONT "$source_pid" 2>/dev/null || true
    cat "$out/lost.err"
    echo "exit $status, $(( (ended - stopped) / 1000000 )) ms after the source stopped"
    # Exit code 5: the camera is gone. Two seconds of silence are the rule; the rest is slack
    # for a loaded machine.
    [ "$status" -eq 5 ] && [ $(( (ended - stopped) / 1000000 )) -lt 6000 ] &&
        grep -q "camera" "$out/lost.err"
}

still_is_the_cameras_jpeg() {
    start_source TestSnap mjpeg && wait_listed TestSnap || return 1
    rm -f "$tmp/still.png" "$tmp/still.jpg"
    run --camera TestSnap --snapshot "$tmp/still.png" --save-stream "$tmp/still.jpg"
    /usr/bin/python3 - "$tmp/still.png" "$tmp/still.jpg" <<'PY'
import sys
from PIL import Image
still, stream = (Image.open(p) for p in sys.argv[1:])
assert still.size == (1280, 720) and stream.size == (1280, 720), (still.size, stream.size)
assert stream.format == "JPEG", stream.format
data = open(sys.argv[2], "rb").read()
assert data[:2] == b"\xff\xd8" and data[-2:] == b"\xff\xd9", "the stream runs to its end marker"
# The still shows the chart: the grey card and its dark squares.
grey = still.convert("L").resize((64, 36))
levels = list(grey.getdata())
assert sum(l < 90 for l in levels) > 0.03 * len(levels), "no ink"
assert sum(170 < l < 230 for l in levels) > 0.5 * len(levels), "no card"
print("a 1280 x 720 still and its JPEG stream of", len(data), "bytes")
PY
}

camera_steps_end_to_end() {
    NITIDOR_E2E_SUITE=camera NITIDOR_E2E_PRELOAD="$(command -v pw-v4l2)" \
        NITIDOR_E2E_PIPEWIRE_RUNTIME="$XDG_RUNTIME_DIR" \
        "$here/../e2e/run_e2e.sh" "$program" "$out/e2e"
}

check "end to end: the camera chosen from the menu previews the chart" camera_steps_end_to_end
start_source TestJpeg mjpeg
wait_listed TestCam TestJpeg || true
check "--list-cameras lists the simulator, then the PipeWire sources" lists_the_cameras
check "--camera TestJpeg (MJPEG 1280 x 720): figures from the picture" \
    figures_from_the_picture TestJpeg ""
check "--camera TestYuyv --focus 3 --regions --json: figures from the picture" \
    figures_from_the_picture TestYuyv yuyv
check "--snapshot on an MJPEG camera: the still and the camera's JPEG frame" \
    still_is_the_cameras_jpeg
check "a source frozen mid-run (no frame for 2 s) ends with the lost camera" \
    lost_when_the_source_stops STOP
check "a source ended mid-run ends with the lost camera" lost_when_the_source_stops TERM
echo "pipewire: $passed passed, $failed failed" | tee "$out/result.log"
[ "$failed" -eq 0 ]
