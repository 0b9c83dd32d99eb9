#!/usr/bin/env bash
# Sets up, builds and starts Torvane Test: the window where a display is present, otherwise a test run in
# the terminal (arguments are passed on, for example --minutes 12). Only the programs are built, and only
# what building and running them needs is installed; scripts/test.sh adds the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/build.sh build -DTORVANE_BUILD_TESTS=OFF -- --target torvane torvane-crypt torvane-sensors
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/torvane/torvane "$@"
else
  exec build/src/torvane/torvane --headless "$@"
fi
