#!/usr/bin/env bash
# Sets up, builds and runs every test; then builds and runs them once more under AddressSanitizer and
# UndefinedBehaviorSanitizer; then gives each fuzz target a bounded minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
# The Slurm recipe on a one-node Slurm of its own (about a minute and a half; skipped without root).
if [ "${TORVANE_SKIP_FLEET:-0}" != 1 ]; then
  scripts/check-fleet.sh build/src/app/torvane || [ $? -eq 77 ]
fi
if [ "${TORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DTORVANE_SANITIZE=ON
  (cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j "$(nproc)")
fi
if [ "${TORVANE_SKIP_FUZZ:-0}" != 1 ]; then
  scripts/fuzz.sh
fi
echo "All tests passed."
