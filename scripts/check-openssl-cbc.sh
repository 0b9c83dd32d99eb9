#!/usr/bin/env bash
# Checks that torvane-crypt's CBC mode agrees with standard CBC: for data that fills whole blocks the output
# must equal `openssl enc -nopad` with the same key and vector, and decrypt back to the input.
#
#   scripts/check-openssl-cbc.sh [TORVANE_CRYPT [MIB]]
#
# Ciphers whose class is not built yet, or that this openssl lacks, are reported as skipped. Exit status:
# 0 all compared ciphers agree, 1 a mismatch or failure, 77 nothing could be compared (no openssl).
set -euo pipefail
cd "$(dirname "$0")/.."
crypt=${1:-build/src/crypt/torvane-crypt}
mib=${2:-4}

if ! command -v openssl >/dev/null 2>&1; then
  echo "openssl not found: CBC agreement check skipped"
  exit 77
fi
if [ ! -x "$crypt" ]; then
  echo "torvane-crypt not found at $crypt" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c $((mib * 1048576)) /dev/urandom >"$work/plain"
catalogue=$("$crypt" list ciphers | cut -f1)

# catalogue name | openssl cipher | key bytes | block bytes
pairs=(
  "DES Single 8byte|des-cbc|8|8"
  "DES Double 8byte|des-ede-cbc|16|8"
  "DES Triple 8byte|des-ede3-cbc|24|8"
  "Blowfish|bf-cbc|16|8"
  "Cast 128|cast5-cbc|16|8"
  "IDEA|idea-cbc|16|8"
  "Rijndael|aes-128-cbc|16|16"
)

failed=0 compared=0
for pair in "${pairs[@]}"; do
  IFS='|' read -r name cipher keylen blocklen <<<"$pair"
  if ! grep -qxF "$name" <<<"$catalogue"; then
    printf '%-20s skipped: class not built\n' "$name"
    continue
  fi
  key=$(openssl rand -hex "$keylen")
  iv=$(openssl rand -hex "$blocklen")
  provider=()
  if ! openssl enc -"$cipher" -K "$key" -iv "$iv" -nopad </dev/null >/dev/null 2>&1; then
    provider=(-provider legacy -provider default)
    if ! openssl enc -"$cipher" "${provider[@]}" -K "$key" -iv "$iv" -nopad </dev/null >/dev/null 2>&1; then
      printf '%-20s skipped: openssl has no %s\n' "$name" "$cipher"
      continue
    fi
  fi
  openssl enc -"$cipher" "${provider[@]}" -nopad -K "$key" -iv "$iv" -in "$work/plain" -out "$work/theirs"
  "$crypt" encrypt --algo "$name" --mode cbc --key-hex "$key" --iv-hex "$iv" "$work/plain" "$work/ours"
  "$crypt" decrypt --algo "$name" --mode cbc --key-hex "$key" --iv-hex "$iv" "$work/ours" "$work/back"
  compared=$((compared + 1))
  if cmp -s "$work/ours" "$work/theirs" && cmp -s "$work/back" "$work/plain"; then
    printf '%-20s agrees with openssl %s on %d MiB\n' "$name" "$cipher" "$mib"
  else
    printf '%-20s MISMATCH with openssl %s (key %s, iv %s)\n' "$name" "$cipher" "$key" "$iv"
    failed=1
  fi
done

[ "$failed" = 0 ] || exit 1
[ "$compared" -gt 0 ] || exit 77
