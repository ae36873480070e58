#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds and runs every test:
#  - the program, optimised and with warnings as errors ("program" preset), driven end to end
#    on a virtual display, against real V4L2 cameras that PipeWire's V4L2 layer serves, then
#    what its installation and Debian package hold, staged in a temporary folder;
#  - every test binary, with warnings as errors, under AddressSanitizer and
#    UndefinedBehaviorSanitizer ("asan"; the tests are compiled once, here);
#  - the test binaries that run threads of their own (without Qt) under ThreadSanitizer;
#  - a short run of each fuzz target.
# NITIDOR_TEST_JOBS sets how many tests run at once (default: one per core).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${NITIDOR_TEST_JOBS:-$(nproc)}
# Each stage's heading says how long the run has taken so far, to show where the time goes.
stage() { echo "== $1 == (${SECONDS} s in)"; }
scripts/deps.sh
stage format
scripts/format.sh --check

stage program
cmake --preset program
cmake --build --preset program
stage "end to end"
tests/e2e/run_e2e.sh build/program/src/app/nitidor build/program/e2e
stage "real cameras through PipeWire"
tests/pipewire/run_pipewire.sh build/program/src/app/nitidor build/program/pipewire
stage install
scripts/check_install.sh program

for preset in asan tsan; do
    stage "$preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j "$jobs"
done

stage "fuzz smoke"
scripts/fuzz.sh 20
echo "== every test passed, in ${SECONDS} s =="
