#!/usr/bin/env bash
# check-platform-free.sh [SOURCE_ROOT]: fails when a source that cmake/platform-free-sources.cmake
# lists, its header or a header of the program they include (followed to the end) includes any
# system header but those of the C and C++ standard libraries, such as <windows.h>.
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
list=$root/cmake/platform-free-sources.cmake

mapfile -t sources < <(sed -n '/set(KST_PLATFORM_FREE_SOURCES/,/)/p' "$list" |
  grep -oE '[A-Za-z0-9_/]+\.(cpp|h)')
((${#sources[@]} > 0)) || { echo "check-platform-free: no sources listed in $list"; exit 1; }

# C headers by their C names (C++ headers have no extension) and libdeflate's, itself platform-free.
standard='^(libdeflate|assert|ctype|errno|float|limits|math|stdarg|stdbool|stddef|stdint|stdio|stdlib|string|wchar)\.h$'
status=0
declare -A seen=()
queue=()
for source in "${sources[@]}"; do
  queue+=("$source")
  [[ -f $root/${source%.cpp}.h ]] && queue+=("${source%.cpp}.h")
done
while ((${#queue[@]} > 0)); do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  [[ -n ${seen[$file]:-} ]] && continue
  seen[$file]=1
  [[ -f $root/$file ]] || { echo "$file: listed or included, but missing"; status=1; continue; }
  while IFS=: read -r line text; do
    if [[ $text =~ \#include\ *\<([^>]+)\> ]]; then
      header=${BASH_REMATCH[1]}
      [[ $header == *.h && ! $header =~ $standard ]] &&
        { echo "$file:$line: a platform-free source includes <$header>"; status=1; }
    elif [[ $text =~ \#include\ *\"([^\"]+)\" ]]; then
      queue+=("${BASH_REMATCH[1]}")
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include' "$root/$file")
done
((status == 0)) && echo "check-platform-free: ${#seen[@]} files include no system header but the standard ones"
exit $status
