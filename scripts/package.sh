#!/usr/bin/env bash
# Makes the Debian package torvane_<version>_<architecture>.deb in the top folder: installs what that needs,
# builds the three programs with their manual pages and icons in the given build folder (default: build)
# and packs them with cpack. Install it with: apt install ./torvane_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/install-deps.sh package
options=(-DTORVANE_BUILD_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr)
# A folder of its own builds no tests (they need more than packaging does); one that is set up already keeps
# its choice, so the test command packs the very programs its tests ran.
[ -f "$dir/CMakeCache.txt" ] || options+=(-DTORVANE_BUILD_TESTS=OFF)
# The files of the package carry the date of the changelog's first entry, whenever it is made.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)
export SOURCE_DATE_EPOCH
scripts/build.sh "$dir" "${options[@]}" -- --target torvane torvane-crypt torvane-sensors package_files
rm -f "$dir"/torvane_*.deb torvane_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
for deb in "$dir"/torvane_*.deb; do
  mv -f "$deb" .
  echo "Made $(basename "$deb")"
done
