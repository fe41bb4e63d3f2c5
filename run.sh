#!/usr/bin/env bash
# Installs what is missing, builds, and starts the installer under Wine: on the current
# display when there is one, otherwise under Xvfb with a screenshot of its first window
# written to dist/first-window.png. It starts the shipping 32-bit program where this machine
# runs 32-bit code, and otherwise the x86_64 twin built from the same source.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
program=$root/dist/instkst.exe
if ! reason=$("$root/scripts/runs-32bit.sh" --wine); then
  echo "run: $reason; starting the x86_64 twin" >&2
  program=${KST_BUILD_DIR:-$root/build}/x86_64/instkst.exe
fi

if [[ -n ${DISPLAY:-} ]]; then
  KST_DISPLAY=$DISPLAY exec "$root/tests/harness/session.sh" /usr/lib/wine/wine64 "$program"
fi
exec "$root/tests/harness/session.sh" "$root/scripts/show-headless.sh" "$program" "$root/dist/first-window.png"
