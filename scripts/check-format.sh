#!/usr/bin/env bash
# check-format.sh [SOURCE_ROOT]: fails, naming each file, when a C++ source of the repository
# differs from what clang-format 19 (the LLVM line of the build) makes of it under .clang-format.
# scripts/check-format.sh --fix formats them in place.
set -uo pipefail
fix=false
if [[ ${1:-} == --fix ]]; then
  fix=true
  shift
fi
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
format=$(command -v clang-format-19) ||
  { echo "check-format: clang-format-19 is missing (scripts/setup.sh installs it)"; exit 1; }

mapfile -t files < <(git -C "$root" ls-files -- '*.h' '*.cpp')
if $fix; then
  (cd "$root" && "$format" -i "${files[@]}")
  exit
fi
differing=()
for file in "${files[@]}"; do
  "$format" --dry-run -Werror "$root/$file" >/dev/null 2>&1 || differing+=("$file")
done
if ((${#differing[@]} > 0)); then
  printf '%s: differs from clang-format\n' "${differing[@]}"
  echo "check-format: ${#differing[@]} of ${#files[@]} files differ; scripts/check-format.sh --fix formats them"
  exit 1
fi
echo "check-format: all ${#files[@]} files as clang-format makes them"
