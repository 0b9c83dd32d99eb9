#!/usr/bin/env bash
# Configures and builds into the given folder (default: build). Further arguments go to CMake's configure
# step; those after "--" to its build step (for example -- --target torvane).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
configure=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
[ $# -gt 0 ] && shift
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "$@"
