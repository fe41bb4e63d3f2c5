#!/usr/bin/env bash
# Payload figures: packed sizes with zlib's best level and with zopfli, per file and in total, and
# the extraction throughput under Wine against the installer's inflater alone. Expects the builds
# of scripts/build.sh (KST_BUILD_DIR, default build/); KST_BENCH_ROUNDS timed rounds (default 20),
# of which the best counts. Figures only.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
packer=$build/native/packer/kstpack
payload=$build/x86_64/payload
program=$build/x86_64/bench/kst_bench_payload.exe
for needed in "$packer" "$payload" "$program"; do
  [[ -e $needed ]] || { echo "payload.part.sh: $needed is missing; run scripts/build.sh" >&2; exit 1; }
done

work=$(mktemp -d /tmp/kst-bench-payload.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$packer" "$program" "$payload" "$work/zlib.exe" >"$work/zlib.txt"
"$packer" --zopfli "$program" "$payload" "$work/zopfli.exe" >"$work/zopfli.txt"

echo "packed payload: zlib level 9 against zopfli"
# Both listings have the name in field 1, the raw size in 2 and the packed size in 4.
awk 'NR == FNR { zlib[$1] = $4; next }
     { printf "  %-24s %9s raw %9s zlib %9s zopfli  %5.1f%% smaller\n", $1, $2, zlib[$1], $4,
              100 * (zlib[$1] - $4) / zlib[$1] }' "$work/zlib.txt" "$work/zopfli.txt"

for kind in zlib zopfli; do
  echo "extraction under Wine, $kind streams:"
  "$root/tests/harness/session.sh" /usr/lib/wine/wine64 "$work/$kind.exe" "${KST_BENCH_ROUNDS:-20}" 2>/dev/null | sed 's/^/  /'
done
