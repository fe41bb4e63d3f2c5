#!/usr/bin/env bash
# Prints the project's figures: sizes of the shipping installer, and timings under Wine of the
# x86_64 twin. Builds first if needed. Figures only: nothing here passes or fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
[[ -f $root/dist/instkst.exe && -f $build/x86_64/instkst.exe ]] || "$root/scripts/build.sh"

shipping=$root/dist/instkst.exe
size=$(stat -c %s "$shipping")
# The packing tool reports the slots' room when it packs; packing the program again tells it.
packed=$(mktemp /tmp/kst-bench-packed.XXXXXX)
capacity=$("$build/native/packer/kstpack" "$build/i686/app/instkst_unpacked.exe" \
  "$build/x86_64/payload" "$packed" | sed -nE 's/.* in ([0-9]+) bytes of slots$/\1/p')
rm -f "$packed"
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
