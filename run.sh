#!/usr/bin/env bash
# Installs what is missing, builds, and starts the installer under Wine: on the current
# display when there is one, otherwise under Xvfb with a screenshot of its first window
# written to dist/first-window.png. Wine cannot run the shipping 32-bit program here, so it
# starts the x86_64 twin built from the same source.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
twin=${KST_BUILD_DIR:-$root/build}/x86_64/instkst.exe

if [[ -n ${DISPLAY:-} ]]; then
  KST_DISPLAY=$DISPLAY exec "$root/tests/harness/session.sh" /usr/lib/wine/wine64 "$twin"
fi
exec "$root/tests/harness/session.sh" "$root/scripts/show-headless.sh" "$twin" "$root/dist/first-window.png"
