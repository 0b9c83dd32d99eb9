#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seeds for a bounded time
# (TORVANE_FUZZ_SECONDS, default 60). A finding fails the run and its input is kept in build-fuzz/findings/.
# Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${TORVANE_FUZZ_SECONDS:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DTORVANE_BUILD_FUZZ=ON -DTORVANE_BUILD_TESTS=OFF -DTORVANE_BUILD_GUI=OFF "$@" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target verify_certificate_fuzz
mkdir -p build-fuzz/findings
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build-fuzz/fuzz/verify_certificate_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/findings/ "$corpus" fuzz/seeds/verify_certificate
