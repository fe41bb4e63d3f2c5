#!/usr/bin/env bash
# Inside a test session: starts the program, waits for its frame, saves a screenshot of the
# display, and closes the program again.
set -euo pipefail
program=$1
shot=$2
/usr/lib/wine/wine64 "$program" &
pid=$!
for _ in $(seq 1 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Kestrel Installer"'; then break; fi
  sleep 0.2
done
sleep 1.5  # the start picture fades in over half a second
import -display "$DISPLAY" -window root "$shot"
echo "run: screenshot of the first window: $shot"
/usr/lib/wine/wineserver -k 2>/dev/null || true
wait "$pid" 2>/dev/null || true
