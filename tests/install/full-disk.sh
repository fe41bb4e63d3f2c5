#!/bin/bash
# full-disk.sh PROGRAM.exe [ARG...]
#
# Runs a Windows test program with a 256 KiB tmpfs mapped as drive T: of its Wine prefix, so that
# writing a larger file runs into a real "disk full"; KST_TEST_FULL_DRIVE tells the program the
# drive's root folder. Mounting needs root: where it is not permitted, nothing runs and the exit
# code is 77, which ctest reports as skipped.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
harness=$here/../harness

if [[ ${KST_SESSION_ACTIVE:-} != 1 || -z ${WINEPREFIX:-} ]]; then
    exec "$harness/session.sh" "$0" "$@"
fi

disk=$KST_TEST_ROOT/full-disk
drive=$WINEPREFIX/dosdevices/t:
mkdir -p "$disk"
if ! error=$(mount -t tmpfs -o size=256k kst-full-disk "$disk" 2>&1); then
    echo "full-disk.sh: cannot mount a small tmpfs ($error); the disk-full test is skipped" >&2
    exit 77
fi
ln -sfn "$disk" "$drive"
export KST_TEST_FULL_DRIVE='T:\'

"$harness/wine-run" "$@"
rc=$?

rm -f "$drive"
umount "$disk" || umount -l "$disk"
exit "$rc"
