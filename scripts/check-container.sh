#!/usr/bin/env bash
# The image of deploy/Containerfile under podman, built unchanged from a local Debian 12 base (made with
# debootstrap, so no registry is needed), then run three ways: a clean one-minute idle run on every
# processor (passed), a fault drill (FAILED, the processor named), and `podman stop` in the middle of a
# run (run_end within seconds, the summary says "stopped early"). Everything lives in a scratch folder
# (podman's storage too) that is removed at the end. The build runs in chroot isolation and the containers
# under runc with limits no higher than the host's: crun refuses hosts with both cgroup hierarchies, and
# root without CAP_SYS_RESOURCE (a container host) cannot raise limits to podman's defaults. Installs
# podman, runc and debootstrap with apt where they are missing; needs root. Not part of the test command:
# it downloads a Debian base and compiles the program once more inside the image (many minutes).
#
#   scripts/check-container.sh
set -uo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
[ "$(id -u)" = 0 ] || { echo "SKIP: check-container.sh needs root"; exit 77; }
if ! command -v podman >/dev/null || ! command -v debootstrap >/dev/null || ! command -v runc >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends podman debootstrap runc >/dev/null ||
    { echo "FAIL: cannot install podman, runc and debootstrap"; exit 1; }
fi

dir=$(mktemp -d)
containers=()
pod() {
  podman --root "$dir/storage" --runroot "$dir/run" --cgroup-manager=cgroupfs --events-backend=file "$@"
}
cleanup() {
  for c in "${containers[@]}"; do pod rm -f -t 0 "$c" >/dev/null 2>&1; done
  pod rmi -a -f >/dev/null 2>&1
  pod system reset -f >/dev/null 2>&1
  # Whatever podman left mounted in its storage.
  grep -o " $dir/[^ ]*" /proc/mounts | sort -r | while read -r m; do umount -l "$m" 2>/dev/null; done
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The base: Debian 12 from the Debian mirror, imported under the name the Containerfile asks for
# (TORVANE_BASE_TAR names a tar of such a root file system made before, to skip the download).
t=$(date +%s)
base=${TORVANE_BASE_TAR:-}
if [ -z "$base" ]; then
  debootstrap --variant=minbase bookworm "$dir/rootfs" http://deb.debian.org/debian >"$dir/debootstrap.log" 2>&1 ||
    { tail -n 20 "$dir/debootstrap.log"; fail "debootstrap"; }
  base="$dir/base.tar"
  tar -C "$dir/rootfs" -cf "$base" . && rm -rf "$dir/rootfs"
fi
pod import "$base" docker.io/library/debian:12 >/dev/null 2>&1 || fail "podman import"
echo "base image from debootstrap in $(($(date +%s) - t)) s"

# The image, unchanged, from the source tree (what .containerignore leaves of it).
t=$(date +%s)
pod build --pull=never --network=host --isolation=chroot -f deploy/Containerfile -t torvane:check . >"$dir/build.log" 2>&1 ||
  { tail -n 40 "$dir/build.log"; fail "podman build"; }
size=$(pod image inspect --format '{{.Size}}' torvane:check)
echo "image built in $(($(date +%s) - t)) s: $((size / 1000000)) MB"

mkdir -p "$dir/out"
limits=(--runtime runc --ulimit "nofile=$(ulimit -Hn):$(ulimit -Hn)" --ulimit nproc=8192:8192)
run() { # name [torvane options...]: a detached container with the event folder mounted
  local name=$1
  shift
  pod run -d --name "$name" "${limits[@]}" --network=none -e TORVANE_NODE="check-$name" -v "$dir/out:/out" torvane:check \
    --headless --workers all --mode idle --events "/out/$name.jsonl" "$@" >/dev/null || fail "podman run $name"
  containers+=("$name")
}
wait_exit() { # name seconds; prints the exit status
  for _ in $(seq $(($2 * 5))); do
    [ "$(pod inspect --format '{{.State.Status}}' "$1")" = exited ] && {
      pod inspect --format '{{.State.ExitCode}}' "$1"
      return 0
    }
    sleep 0.2
  done
  return 1
}
summary() { pod run --rm "${limits[@]}" --network=none -v "$dir/out:/out" --entrypoint torvane-fleet-summary torvane:check "$@"; }
cpus=$(nproc)

# 1. A clean one-minute run on every processor.
t=$(date +%s)
run clean --minutes 1
status=$(wait_exit clean 240) || fail "the clean run did not end"
[ "$status" = 0 ] || fail "the clean run's exit status $status"
pod logs clean | grep -q "^Workers: $cpus, on processor" || fail "not every processor has a worker"
summary /out/clean.jsonl >"$dir/clean.summary" || { cat "$dir/clean.summary"; fail "the clean run's summary"; }
grep -q "^check-clean (.*): passed (time_limit, exit status 0)$" "$dir/clean.summary" || fail "not passed"
echo "1. clean run: exit status 0, $cpus workers, summary passed ($(($(date +%s) - t)) s)"

# 2. The fault drill on the last processor.
last=$((cpus - 1))
run drill --minutes 1 --inject-fault "mmx@$last"
status=$(wait_exit drill 120) || fail "the fault drill did not end"
[ "$status" = 1 ] || fail "the fault drill's exit status $status"
pod logs drill | grep -q "^ Processor: cpu $last$" || fail "the report does not name processor $last"
summary /out/drill.jsonl >"$dir/drill.summary"
[ $? = 1 ] && grep -q ": FAILED (error, exit status 1)$" "$dir/drill.summary" || fail "the drill's summary"
echo "2. fault drill: exit status 1, processor $last named"

# 3. podman stop in the middle of a five-minute run.
run stop --minutes 5
for _ in $(seq 300); do
  grep -q '"event":"test_start"' "$dir/out/stop.jsonl" 2>/dev/null && break
  sleep 0.1
done
sleep 2
t0=$(date +%s%N)
pod stop -t 30 stop >/dev/null || fail "podman stop"
took=$((($(date +%s%N) - t0) / 1000000))
status=$(wait_exit stop 10) || fail "the stopped run did not end"
tail -n 1 "$dir/out/stop.jsonl" | grep -q '"event":"run_end"' || fail "no run_end after podman stop"
summary /out/stop.jsonl >"$dir/stop.summary"
[ $? = 1 ] && grep -q ": stopped early (signal after " "$dir/stop.summary" || { cat "$dir/stop.summary"; fail "the stop's summary"; }
echo "3. podman stop: run_end written, stopped in $took ms, exit status $status, summary stopped early"

for s in clean drill stop; do
  echo "== $s"
  cat "$dir/$s.summary"
done
echo "check-container: ok in $(($(date +%s) - started)) s"
