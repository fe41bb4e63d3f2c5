#!/bin/bash
# full-disk.sh PROGRAM.exe [ARG...]
#
# Runs a Windows test program with a 256 KiB tmpfs mapped as drive T: of its Wine prefix, so that
# writing a larger file runs into a real "disk full"; KST_TEST_FULL_DRIVE tells the program the
# drive's root folder. Mounting needs root: where it is not permitted, the program runs without
# the drive and its disk-full test skips itself.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
harness=$here/../harness

if [[ ${KST_SESSION_ACTIVE:-} != 1 || -z ${WINEPREFIX:-} ]]; then
    exec "$harness/session.sh" "$0" "$@"
fi

disk=$KST_TEST_ROOT/full-disk
drive=$WINEPREFIX/dosdevices/t:
mkdir -p "$disk"
if error=$(mount -t tmpfs -o size=256k kst-full-disk "$disk" 2>&1); then
    ln -sfn "$disk" "$drive"
    export KST_TEST_FULL_DRIVE='T:\'
else
    echo "full-disk.sh: cannot mount a small tmpfs ($error); the disk-full test skips" >&2
fi

"$harness/wine-run" "$@"
rc=$?

if [[ -n ${KST_TEST_FULL_DRIVE:-} ]]; then
    rm -f "$drive"
    umount "$disk" || umount -l "$disk"
fi
exit "$rc"
