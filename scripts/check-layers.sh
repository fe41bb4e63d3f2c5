#!/usr/bin/env bash
# check-layers.sh [SOURCE_ROOT]: fails when a file of the program includes from a folder its own
# folder may not lean on. The folders and what each may include, lowest first:
#   base        -
#   framework   base
#   skin        base framework resources
#   install     base
#   system      base install
#   sequences   base install system
#   app         everything above, and resources
# A cycle is impossible with this table; a new folder must be added here before it is used.
set -uo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

declare -A allowed=(
  [base]=""
  [framework]="base"
  [skin]="base framework resources"
  [install]="base"
  [system]="base install"
  [sequences]="base install system"
  [app]="base framework skin install system sequences resources"
)

status=0
for folder in "${!allowed[@]}"; do
  [[ -d $root/$folder ]] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#include "([^/"]+)\/.*/\1/' <<<"$text")
    [[ $target == "$folder" ]] && continue
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "${file#"$root"/}:$line: $folder/ may not include from $target/: $text"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#include "[^/"]+/' "$root/$folder")
done
((status == 0)) && echo "check-layers: every include points down"
exit $status
