#!/usr/bin/env bash
# Prints the project's figures: sizes of the shipping installer, and timings under Wine of the
# x86_64 twin. Builds first if needed. Figures only: nothing here passes or fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
[[ -f $root/dist/instkst.exe && -f $build/x86_64/instkst.exe ]] || "$root/scripts/build.sh"

shipping=$root/dist/instkst.exe
size=$(stat -c %s "$shipping")
capacity=$(sed -nE 's/^ *\{"[^"]+", ([0-9]+)\},.*/\1/p' "$root/install/PayloadFiles.h" | awk '{ s += $1 * 1024 } END { print s }')
echo "shipping installer: $size bytes; without its $capacity bytes of slots: $((size - capacity)) bytes (goal: under 90000)"

for piece in "$root"/bench/*.part.sh; do
  [[ -e $piece ]] && KST_BUILD_DIR=$build "$piece"
done

"$root/tests/harness/session.sh" bash -c '
  /usr/lib/wine/wine64 "$1" "$2" 5 2>/dev/null' _ \
  "$build/x86_64/bench/kst_bench_firstpaint.exe" "$build/x86_64/instkst.exe"

"$root/tests/harness/session.sh" bash -c '
  /usr/lib/wine/wine64 "$1" "$2" 5 2>/dev/null' _ \
  "$build/x86_64/bench/kst_bench_install.exe" "$build/x86_64/instkst.exe"
