#!/usr/bin/env bash
# Sets up, builds and starts Torvane Test: the window where a display is present, otherwise a test run in
# the terminal (arguments are passed on, for example --minutes 12).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/app/torvane "$@"
else
  exec build/src/app/torvane --headless "$@"
fi
