#!/usr/bin/env bash
# The installer starts without the C runtime's start-up code, so nothing may need it: no static
# constructor or destructor, no thread-local variable, no exit handler. Reads the link map of the
# program. Usage: check-startup.sh <instkst_unpacked.map>
set -euo pipefail
map=$1
[[ -f $map ]] || { echo "check-startup: no link map at $map" >&2; exit 1; }
# Input sections are listed with their size after "Linker script and memory map".
found=$(sed -n '/^Linker script and memory map/,$p' "$map" |
  grep -E '^ \.(ctors|dtors|tls|CRT)[^ ]*  +0x[0-9a-f]+ +0x[0-9a-f]*[1-9a-f][0-9a-f]* ' || true)
found+=$(grep -E '^ +0x[0-9a-f]+ +_{0,2}(atexit|_onexit|__cxa_atexit|__main)$' "$map" || true)
if [[ -n $found ]]; then
  echo "the installer needs the C runtime's start-up code:" >&2
  echo "$found" >&2
  exit 1
fi
echo "start-up: no static constructors, destructors, thread-local variables or exit handlers"
