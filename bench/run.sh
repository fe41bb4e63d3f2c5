#!/usr/bin/env bash
# Prints the project's figures: sizes of the shipping installer, and timings under Wine of the
# x86_64 twin. Builds first if needed. Figures only: nothing here passes or fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
[[ -f $root/dist/instkst.exe && -f $build/x86_64/instkst.exe ]] || "$root/scripts/build.sh"

for piece in "$root"/bench/*.part.sh; do
  [[ -e $piece ]] && KST_BUILD_DIR=$build "$piece"
done

"$root/tests/harness/session.sh" bash -c '
  /usr/lib/wine/wine64 "$1" "$2" "$3" 9 2>/dev/null' _ \
  "$build/x86_64/bench/kst_bench_firstpaint.exe" "$build/x86_64/instkst.exe" \
  "$build/x86_64/bench/kst_bench_floor.exe"

# The install benchmark extracts the payload itself for its floor.
work=$(mktemp -d /tmp/kst-bench-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$build/native/packer/kstpack" "$build/x86_64/bench/kst_bench_install.exe" \
  "$build/x86_64/payload" "$work/kst_bench_install.exe" >/dev/null
"$root/tests/harness/session.sh" bash -c '
  /usr/lib/wine/wine64 "$1" "$2" 5 2>/dev/null' _ \
  "$work/kst_bench_install.exe" "$build/x86_64/instkst.exe"
