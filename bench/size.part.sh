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
# The slots' sections hold in the file only what their records use.
slot_data=$(python3 - "$shipping" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3c)[0]
count, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
table = pe + 24 + optional
print(sum(struct.unpack_from("<I", data, table + 40 * i + 16)[0] for i in range(count)
          if data[table + 40 * i:table + 40 * i + 6] == b".kslot"))
PY
)
echo "shipping installer: $size bytes, $slot_data of them the slots' records (the slots take" \
  "$capacity bytes in memory); without them: $((size - slot_data)) bytes (goal: at most 91635)"

# The build's own symbol lister, which reads the objects compiled for link-time optimisation.
nm=$(sed -n 's/^CMAKE_NM:FILEPATH=//p' "$build/i686/CMakeCache.txt")
python3 - "$unpacked" "$map" "$build/i686" "$nm" <<'PY'
import collections, glob, re, subprocess, sys

unpacked, map_path, build, nm = sys.argv[1:]

print("  per section (bytes in the file; the slots left out):")
headers = subprocess.run(["i686-w64-mingw32-objdump", "-h", unpacked], check=True,
                         capture_output=True, text=True).stdout
for line in headers.splitlines():
    fields = line.split()
    if len(fields) == 7 and fields[0].isdigit():
        name, size = fields[1], int(fields[2], 16)
        if name != ".bss" and not name.startswith(".kslot"):
            print(f"    {name:<10} {size:7}")

# LLD's map names each input section as "file:(section)". Link-time optimisation makes one object
# of all our code, whose sections each hold one function or variable: the objects the build
# compiled tell which of them defined it.
owner = {}
shared = set()
objects = [f for f in glob.glob(f"{build}/**/*.a", recursive=True) +
           glob.glob(f"{build}/**/*.obj", recursive=True)
           if "/product/" not in f and not f.endswith(".rc.res")]
listing = subprocess.run([nm, "--defined-only", "--print-file-name", *objects], check=True,
                         capture_output=True, text=True).stdout
for line in listing.splitlines():
    fields = line.split()
    if len(fields) != 4 or fields[2] in ("U", "u"):
        continue
    source = fields[0].rstrip(":").split(":")[-1].split("/")[-1]
    symbol = fields[3].lstrip("_")
    if owner.setdefault(symbol, source) != source:
        shared.add(symbol)

pieces = collections.Counter()
for line in open(map_path, encoding="utf-8", errors="replace"):
    match = re.match(r"^[0-9a-f]+ ([0-9a-f]+) +\d+ +(\S.*):\((\.[^)$]+)\$?([^)]*)\)$", line)
    if not match or not re.match(r"\.(text|rdata|data|eh_frame|CRT|tls)", match.group(3)):
        continue
    size, source, symbol = int(match.group(1), 16), match.group(2).split("/")[-1], match.group(4)
    if size == 0:
        continue
    if source.endswith(".lto.obj"):
        symbol = symbol.lstrip("_")
        if symbol in shared:
            source = "functions of headers, made for several objects"
        elif symbol in owner:
            source = owner[symbol]
        else:
            source = "constants and strings of the optimised code"
    elif re.match(r"lib\w+s\d+\.o$|lib\w+[ht]\.o$", source):
        source = "import thunks and tables"
    pieces[source] += size
print("  per object file of the link (code and data, largest first; the slots left out):")
for source, size in pieces.most_common(20):
    print(f"    {size:7}  {source}")
rest = sum(size for _, size in pieces.most_common()[20:])
print(f"    {rest:7}  {len(pieces) - 20 if len(pieces) > 20 else 0} more")
PY
