#!/usr/bin/env bash
# Sets up, builds and runs every test; makes the Debian package and checks it; then builds and runs the tests
# once more under AddressSanitizer and UndefinedBehaviorSanitizer; then gives each fuzz target a bounded
# minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/build.sh build -DTORVANE_BUILD_TESTS=ON -DTORVANE_BUILD_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)")
# The Debian package of the very programs the tests ran, and its checks.
scripts/package.sh build
scripts/check-package.sh
# The Slurm recipe on a one-node Slurm of its own (about a minute and a half; skipped without root).
if [ "${TORVANE_SKIP_FLEET:-0}" != 1 ]; then
  scripts/check-fleet.sh build/src/torvane/torvane || [ $? -eq 77 ]
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
