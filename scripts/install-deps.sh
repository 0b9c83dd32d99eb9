#!/usr/bin/env bash
# Installs with apt, only where it is missing, what one purpose needs on Debian 12:
#   run      building and running the three programs (scripts/run.sh)
#   package  that, and making the Debian package (scripts/package.sh)
#   test     all of it, and building and passing every test and the package checks (scripts/test.sh; the
#            default)
set -euo pipefail
purpose=${1:-test}

# Building: a C++ compiler, CMake with Ninja, Qt 6 Widgets with its CMake files (qt6-base-dev pulls in the
# OpenGL and Vulkan headers its CMake files look for; libgl-dev is named too because a missing one fails
# the configure step), lm-sensors' library for torvane-sensors, CLI11 for the options of torvane-sensors
# and torvane-crypt. Running: Qt's display plugins, fonts with the metrics of the program's design fonts,
# xdg-utils for opening the guide and the homepage, the desktop's file type tools (shared-mime-info and
# desktop-file-utils refresh the caches the certificate file type is registered in;
# libfile-mimeinfo-perl lets xdg-mime read them on a desktop without a MIME service of its own), and
# Python 3 for scripts/fleet-summary, which reads what the runs write.
packages=(g++ cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
          libsensors-dev libcli11-dev
          fonts-liberation2 fonts-dejavu-core xdg-utils
          shared-mime-info desktop-file-utils libfile-mimeinfo-perl python3)
case "$purpose" in
  run) ;;
  package | test)
    # The package: dpkg-shlibdeps for its dependencies, help2man for the manual pages, rsvg-convert for
    # the icon's pictures.
    packages+=(dpkg-dev help2man librsvg2-bin)
    if [ "$purpose" = test ]; then
      # GoogleTest, Xvfb for looking at the window on a machine without a desktop (the tests themselves
      # need no display), clang with its libFuzzer runtime for the fuzz targets, and the package checks:
      # man renders the manual pages, appstreamcli and lintian judge the metadata and the package, fakeroot
      # installs it into a scratch root for a user other than root; libfaketime (faketime) for the tests
      # that set the clock of a run; Python's jsonschema checks every event the tests make against the event
      # stream's schema.
      packages+=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth clang libclang-rt-14-dev python3-yaml
                 python3-jsonschema man-db appstream lintian fakeroot faketime)
    fi
    ;;
  *)
    echo "usage: $0 [run|package|test]" >&2
    exit 2
    ;;
esac
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
