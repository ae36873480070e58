#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds and runs every test: once with
# warnings as errors (then the built program end to end on a virtual display, against real
# V4L2 cameras that PipeWire serves, and what its installation and Debian package hold, staged
# in a temporary folder), once under
# AddressSanitizer and UndefinedBehaviorSanitizer, the test binaries that run threads of their
# own (without Qt) under ThreadSanitizer, then a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
echo "== format =="
scripts/format.sh --check
for preset in ci asan; do
    echo "== ${preset} =="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    if [ "$preset" = ci ]; then
        echo "== end to end =="
        tests/e2e/run_e2e.sh build/ci/src/app/nitidor build/ci/e2e
        echo "== real cameras through PipeWire =="
        tests/pipewire/run_pipewire.sh build/ci/src/app/nitidor build/ci/pipewire
        echo "== install =="
        scripts/check_install.sh ci
    fi
done
echo "== tsan =="
cmake --preset tsan
cmake --build --preset tsan
ctest --preset tsan
echo "== fuzz smoke =="
scripts/fuzz.sh 20
