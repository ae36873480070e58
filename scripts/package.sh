#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package nitidor_<version>_<arch>.deb
# in build/<preset>/, whose path it prints last:
#   scripts/package.sh [configure preset, default "package"]
# "package" is a hardened release build of the program alone (build/package); the test
# command packages its "ci" build instead of building another.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-package}
build=build/$preset

scripts/deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target nitidor nitidor_dist
rm -f "$build"/nitidor_*.deb
if ! cpack --config "$build/CPackConfig.cmake" -G DEB >"$build/cpack.log" 2>&1; then
    cat "$build/cpack.log" >&2
    exit 1
fi
ls "$build"/nitidor_*.deb
