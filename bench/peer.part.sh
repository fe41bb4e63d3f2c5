#!/usr/bin/env bash
# The download beside its peer: the shipping installer's size beside the installer that NSIS
# (Debian's makensis) makes from the same fifteen files with zlib, and the same for a payload that
# fills the slots as the real product would (each file incompressible, about 90 % of its slot).
# Expects the builds of scripts/build.sh (KST_BUILD_DIR, default build/). Figures only.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${KST_BUILD_DIR:-$root/build}" && pwd)
command -v makensis >/dev/null || {
  echo "peer.part.sh: makensis is missing; scripts/setup.sh installs it" >&2
  exit 1
}
work=$(mktemp -d /tmp/kst-bench-peer.XXXXXX)
trap 'rm -rf "$work"' EXIT

# peer <payload folder> <name>: the NSIS installer of those files, its size on stdout.
peer() {
  local payload=$1 script=$work/$2.nsi
  {
    echo "Name \"Veltrin\""
    echo "OutFile \"$work/$2.exe\""
    echo "SetCompressor zlib"
    echo "RequestExecutionLevel admin"
    echo "InstallDir \"\$APPDATA\\Kestrel\""
    echo "Section"
    echo "  SetOutPath \"\$INSTDIR\""
    for file in "$payload"/*; do echo "  File \"$file\""; done
    echo "SectionEnd"
  } >"$script"
  makensis -V1 "$script" >/dev/null
  stat -c %s "$work/$2.exe"
}

ratio() { python3 -c "print(f'{$1 / $2:.3f}')"; }

shipping=$(stat -c %s "$root/dist/instkst.exe")
stand_in=$(peer "$build/i686/payload" stand-in)
echo "download, stand-in payload: $shipping bytes; NSIS with zlib, the same files: $stand_in bytes;" \
  "ratio $(ratio "$shipping" "$stand_in") (goal: at most 720000 bytes)"

# Each file incompressible and 90 % of its slot: the product at its largest.
mkdir "$work/full"
python3 - "$root/install/ProductFiles.def" "$work/full" <<'PY'
import os, re, sys
definition, folder = sys.argv[1:]
text = open(definition, encoding="utf-8").read()
for name, kib in re.findall(r'KST_PRODUCT_FILE\(\w+, "([^"]+)", (\d+),', text):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(os.urandom(int(int(kib) * 1024 * 0.9)))
PY
"$build/native/packer/kstpack" "$build/i686/app/instkst_unpacked.exe" "$work/full" \
  "$work/full-installer.exe" >/dev/null
full=$(stat -c %s "$work/full-installer.exe")
full_peer=$(peer "$work/full" full-slots)
echo "download, slots filled to 90 %: $full bytes; NSIS with zlib, the same files: $full_peer bytes;" \
  "ratio $(ratio "$full" "$full_peer") (goal: at most the peer's)"
