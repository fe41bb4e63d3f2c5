#!/usr/bin/env bash
# The installer starts without the C runtime's start-up code, so nothing may need it: no static
# constructor or destructor, no thread-local variable, no exit handler. Reads the link map that
# LLD writes of the program. Usage: check-startup.sh <instkst_unpacked.map>
set -euo pipefail
map=$1
[[ -f $map ]] || { echo "check-startup: no link map at $map" >&2; exit 1; }
# Each input section is a line of its address, size, alignment and "file:(section)"; each symbol
# a line of its address, a zero size and alignment, and its name.
grep -qE '^[0-9a-f]+ [0-9a-f]+ +[0-9]+ +\S+:\(\.text' "$map" ||
  { echo "check-startup: $map is not a link map of LLD's" >&2; exit 1; }
found=$(grep -E \
  -e '^[0-9a-f]+ 0*[1-9a-f][0-9a-f]* +[0-9]+ +\S+:\(\.(ctors|dtors|tls|CRT)[^)]*\)$' \
  -e '^[0-9a-f]+ 0+ +0 +_{0,3}(atexit|_onexit|__cxa_atexit|__main|__emutls_get_address)$' \
  "$map" | sort -u || true)
if [[ -n $found ]]; then
  echo "the installer needs the C runtime's start-up code:" >&2
  echo "$found" >&2
  exit 1
fi
echo "start-up: no static constructors, destructors, thread-local variables or exit handlers"
