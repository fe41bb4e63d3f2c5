#!/usr/bin/env bash
# Builds the shipping installer once more, in a fresh folder at another path, and compares it
# byte for byte with the one given (by default dist/instkst.exe): no time stamps or build paths
# may reach the executable.
# Usage: check-reproducible.sh [installer] [packing tool] [libdeflate sources]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
reference=${1:-$root/dist/instkst.exe}
packer=${2:-${KST_BUILD_DIR:-$root/build}/native/packer/kstpack}
libdeflate=${3:-${KST_BUILD_DIR:-$root/build}/deps/libdeflate}
again=$(mktemp -d /tmp/kst-reproducible.XXXXXX)
trap 'rm -rf "$again"' EXIT

cmake -G Ninja -S "$root" -B "$again/i686" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DKST_PACKER="$packer" \
  -DKST_LIBDEFLATE_SOURCE="$libdeflate" >/dev/null
ninja --quiet -C "$again/i686" instkst
if cmp -s "$reference" "$again/i686/instkst.exe"; then
  echo "reproducible: a second build at another path gives the same $(stat -c %s "$reference") bytes"
else
  cmp "$reference" "$again/i686/instkst.exe" | head -n 1
  echo "not reproducible: $reference differs from a second build" >&2
  exit 1
fi
