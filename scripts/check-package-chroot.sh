#!/usr/bin/env bash
# The package on a fresh Debian 12 machine: apt installs it into a throw-away minimal system (debootstrap,
# with the network), with every dependency it names, and the three programs run there: torvane --version,
# a terminal run of a minute of work time, the window on Qt's offscreen display, torvane-crypt selftest,
# torvane-sensors publishing fixed values that torvane's terminal run then shows; then apt purges it.
# Needs root and debootstrap (apt-get install debootstrap); takes a few minutes, so the test command leaves
# it out. Takes the package file (default: the one in the top folder); TORVANE_CHROOT_BASE=DIR keeps a
# bootstrapped system to copy for the next check.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; exit 77; }
command -v debootstrap >/dev/null || { echo "skipped: debootstrap is missing"; exit 77; }
deb=$(realpath "${1:-$(ls torvane_*.deb | head -1)}")
work=$(mktemp -d)
root=$work/root
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[$i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

base=${TORVANE_CHROOT_BASE:-}
if [ -z "$base" ] || [ ! -x "$base/bin/sh" ]; then
  target=${base:-$work/base}
  echo "Bootstrapping Debian 12 into $target"
  debootstrap --variant=minbase bookworm "$target" http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1 ||
    fail "debootstrap: $(tail -5 "$work/debootstrap.log")"
  base=$target
fi
cp -a "$base" "$root"
for m in proc sys dev/shm; do
  mkdir -p "$root/$m"
done
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm" && mounted+=("$root/dev/shm")
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
# The same as a process of its own (chroot and env go on as the program), for a signal by its id.
in_root_background() {
  exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}

in_root apt-get update -qq >"$work/apt.log" 2>&1 || fail "apt-get update: $(tail -5 "$work/apt.log")"
start=$(date +%s)
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/tmp/$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  fail "apt-get install: $(tail -20 "$work/apt.log")"
echo "apt installed the package and its dependencies in $(($(date +%s) - start)) s"

version=$(in_root torvane --version) || fail "torvane --version"
echo "torvane --version: $version"
in_root torvane-crypt selftest >"$work/selftest" 2>&1 || fail "torvane-crypt selftest: $(tail -5 "$work/selftest")"
echo "torvane-crypt selftest: passed"

# torvane-sensors publishes, and the terminal run shows what it publishes.
(in_root_background torvane-sensors --fixed 45.5,46.5,30 >"$work/sensors" 2>&1) &
sensors=$!
cleanup_sensors() { kill -TERM "$sensors" 2>/dev/null && wait "$sensors" 2>/dev/null; true; }
trap 'cleanup_sensors; cleanup' EXIT
for _ in $(seq 50); do [ -e "$root/dev/shm/\$M\$B\$M\$" ] && break; sleep 0.1; done
[ -e "$root/dev/shm/\$M\$B\$M\$" ] || fail "torvane-sensors published nothing: $(cat "$work/sensors")"
in_root torvane --headless --mode idle --minutes 1 >"$work/run" 2>&1 || fail "torvane --headless: $(tail -5 "$work/run")"
kill -TERM "$sensors"
wait "$sensors" || fail "torvane-sensors did not end cleanly on SIGTERM: $(cat "$work/sensors")"
trap cleanup EXIT
[ ! -e "$root/dev/shm/\$M\$B\$M\$" ] || fail "torvane-sensors left its block behind"
grep -q "CPU Temp: 46 C" "$work/run" || fail "the terminal run shows no temperature: $(tail -5 "$work/run")"
echo "torvane --headless --minutes 1: $(grep -m1 "Work time" "$work/run")"

# The window on Qt's offscreen display: it must still be running after two seconds.
set +e
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp timeout 3 torvane >"$work/window" 2>&1
status=$?
set -e
[ $status -eq 124 ] || fail "the window ended by itself (status $status): $(tail -5 "$work/window")"
echo "torvane (window, offscreen): ran until stopped"

in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq torvane >"$work/apt.log" 2>&1 ||
  fail "apt-get purge: $(tail -5 "$work/apt.log")"
[ ! -e "$root/usr/bin/torvane" ] || fail "torvane is left after the purge"
[ ! -e "$root/usr/libexec/torvane" ] || fail "/usr/libexec/torvane is left after the purge"
echo "Package checked on a fresh Debian 12."
