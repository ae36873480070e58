#!/usr/bin/env bash
# Installs the Debian packages Nitidor needs to build, test and run; does nothing when all
# are present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libjpeg62-turbo-dev
    # Real cameras: libv4lconvert turns their formats into the graph's 24-bit frames.
    libv4l-dev
    # Qt's TIFF writer (and its other image plugins), for saving stills as TIFF.
    qt6-image-formats-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core clang-format xvfb xauth
    clang libclang-rt-14-dev
    # The end-to-end suite: a window manager, input and window requests through the X server
    # (xprop of x11-utils reads a window's frame and state), and the accessibility buses it
    # reads the program's windows through.
    openbox xdotool wmctrl x11-utils dbus-daemon at-spi2-core python3-pyatspi
    # ... and reading back the stills it saves, to compare them with the screen.
    python3-pil
    # A real V4L2 implementation to test the camera backend against: PipeWire's V4L2 layer
    # serving a source that GStreamer feeds (jpegenc and pngdec are in plugins-good).
    pipewire pipewire-v4l2 wireplumber gstreamer1.0-pipewire gstreamer1.0-tools
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    # Packaging: the .deb and its dependencies (dpkg-shlibdeps reads the binary's libraries,
    # found through file), and the checks of what it installs (xprop, above, reads the
    # window's class).
    dpkg-dev file desktop-file-utils appstream man-db lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
