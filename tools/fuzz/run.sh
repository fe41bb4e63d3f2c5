#!/usr/bin/env bash
# Builds the payload record fuzz target with clang's libFuzzer and sanitizers, then runs it for a
# bounded time over the committed corpus (copied, so that the run adds nothing to the repo).
# Usage: run.sh <build folder> [seconds]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$here/../..
out=$1
seconds=${2:-30}
mkdir -p "$out"
clang++-19 -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I "$repo" "$here/PayloadRecordFuzz.cpp" "$repo/install/PayloadFormat.cpp" -lz \
  -o "$out/payload_record_fuzz"
rm -rf "$out/corpus"
cp -r "$here/corpus" "$out/corpus"
"$out/payload_record_fuzz" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  "$out/corpus" 2>&1 | tail -n 12
