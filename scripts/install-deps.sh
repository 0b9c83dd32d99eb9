#!/usr/bin/env bash
# Installs what the build, the tests and the program need on Debian 12, only where it is missing.
set -euo pipefail

# Qt 6 Widgets with its CMake files (qt6-base-dev pulls in the OpenGL and Vulkan headers its CMake files
# look for; libgl-dev is named too because a missing one fails the configure step), GoogleTest, fonts with
# the metrics of the program's design fonts, xdg-utils for opening the guide and the homepage, the
# desktop's file type tools (shared-mime-info and desktop-file-utils refresh the caches the certificate
# file type is registered in; libfile-mimeinfo-perl lets xdg-mime read them on a desktop without a MIME
# service of its own), Xvfb for looking at the window on a machine without a desktop (the tests
# themselves need no display), lm-sensors' library for torvane-sensors, CLI11 for the options of torvane-sensors and torvane-crypt, clang with its
# libFuzzer runtime for the fuzz targets, and Python 3 for scripts/fleet-summary and the event stream's
# schema check, and libfaketime (faketime) for the tests that set the clock of a run.
packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          libsensors-dev libcli11-dev
          fonts-liberation2 fonts-dejavu-core xdg-utils
          shared-mime-info desktop-file-utils libfile-mimeinfo-perl
          xvfb xauth clang libclang-rt-14-dev python3 python3-yaml faketime)
if [ "${TORVANE_BENCH_DEPS:-0}" = 1 ]; then
  packages+=(libssl-dev libcrypto++-dev zlib1g-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
