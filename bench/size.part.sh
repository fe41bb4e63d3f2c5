#!/usr/bin/env bash
# Size figures of the shipping installer: in all, without the slots that hold the product, per
# section, and per object file or library of the link. Expects the builds of scripts/build.sh
# (KST_BUILD_DIR, default build/). Figures only.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
shipping=$root/dist/instkst.exe
unpacked=$build/i686/app/instkst_unpacked.exe
map=$build/i686/app/instkst_unpacked.map
for needed in "$shipping" "$unpacked" "$map"; do
  [[ -e $needed ]] || { echo "size.part.sh: $needed is missing; run scripts/build.sh" >&2; exit 1; }
done

size=$(stat -c %s "$shipping")
# The packing tool reports the slots' room when it packs; packing the program again tells it.
packed=$(mktemp /tmp/kst-bench-packed.XXXXXX)
trap 'rm -f "$packed"' EXIT
capacity=$("$build/native/packer/kstpack" "$unpacked" "$build/x86_64/payload" "$packed" |
  sed -nE 's/.* in ([0-9]+) bytes of slots$/\1/p')
echo "shipping installer: $size bytes; without its $capacity bytes of slots:" \
  "$((size - capacity)) bytes (goal: at most 91635)"

python3 - "$unpacked" "$map" "$capacity" <<'PY'
import collections, re, subprocess, sys

unpacked, map_path, slots = sys.argv[1], sys.argv[2], int(sys.argv[3])

print("  per section (bytes in the file; .data less the slots):")
headers = subprocess.run(["i686-w64-mingw32-objdump", "-h", unpacked], check=True,
                         capture_output=True, text=True).stdout
for line in headers.splitlines():
    fields = line.split()
    if len(fields) == 7 and fields[0].isdigit():
        name, size = fields[1], int(fields[2], 16)
        if name == ".data":
            size -= slots
        if name != ".bss":
            print(f"    {name:<10} {size:7}")

# The map names each input piece of the output sections; code compiled for link-time
# optimisation shows as the linker's partitions of it.
pieces = collections.Counter()
pending = None
lines = open(map_path, encoding="utf-8", errors="replace").read().splitlines()
# What was linked follows the list of the input sections that were dropped.
for line in lines[lines.index("Linker script and memory map"):]:
    match = re.match(r"^ (\.[\w.$]+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+))?\s*$", line)
    if match and match.group(2) is None:
        pending = match.group(1)
        continue
    if pending and not match:
        follow = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S+)\s*$", line)
        if follow:
            match, section, size, source = follow, pending, int(follow.group(2), 16), follow.group(3)
    elif match:
        section, size, source = match.group(1), int(match.group(3), 16), match.group(4)
    pending = None
    if not match or size == 0 or not re.match(r"\.(text|rdata|data|eh_frame|CRT|tls)", section):
        continue
    source = source.split("/")[-1]
    if "ltrans" in source:
        source = "installer code (link-time optimised)"
    pieces[source] += size
# The slots are data of one object, each in a section of its own.
for source, size in pieces.items():
    if size >= slots:
        pieces[source] = size - slots
print("  per object file of the link (code and data, largest first; the slots left out):")
for source, size in pieces.most_common(20):
    print(f"    {size:7}  {source}")
rest = sum(size for _, size in pieces.most_common()[20:])
print(f"    {rest:7}  {len(pieces) - 20 if len(pieces) > 20 else 0} more")
PY
