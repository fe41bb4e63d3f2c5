#!/usr/bin/env bash
# Installs what building and testing need on a bare Debian 12 machine. Quiet and quick when
# everything is there already.
set -euo pipefail

# Root runs apt and dpkg itself; anyone else through sudo.
as_root() {
  if ((EUID == 0)); then "$@"; else sudo "$@"; fi
}

packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix dpkg-dev clang-19 lld-19 llvm-19
  googletest libgtest-dev zlib1g-dev libzopfli-dev zopfli liblief-dev libpugixml-dev
  wine64 xvfb fonts-wqy-microhei fonts-dejavu-core imagemagick
  python3 python3-pil x11-utils
  clang-format-19 libclang-rt-19-dev osslsigncode openssl nsis
)

# The shipping installer is a 32-bit program. Where the kernel runs 32-bit code, Wine's 32-bit loader
# runs it in the test sessions' 64-bit prefixes, as 64-bit Windows does; elsewhere its tests are
# skipped and say why.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if "$root/scripts/runs-32bit.sh" >/dev/null; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture for wine32" >&2
    as_root dpkg --add-architecture i386
  fi
  packages+=(wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}" >&2
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Libraries built from Debian's own sources with the installer's size flags: libdeflate, which
# inflates in the installer, and zlib, which packs in tests and benchmarks. They are fetched once
# through a source list of their own, which leaves the machine's apt set-up alone; apt checks every
# file against the signed archive.
deps=${KST_BUILD_DIR:-$root/build}/deps
apt=
options=()

# fetch_source PACKAGE FILE: unpacks the source package into $deps/PACKAGE unless FILE is there.
fetch_source() {
  local package=$1 file=$2
  [[ -f $deps/$package/$file ]] && return
  echo "setup: fetching Debian's $package sources" >&2
  if [[ -z $apt ]]; then
    apt=$(mktemp -d /tmp/kst-source.XXXXXX)
    trap 'rm -rf "$apt"' EXIT
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]" \
      "http://deb.debian.org/debian bookworm main" >"$apt/sources.list"
    mkdir -p "$apt/lists/partial" "$deps"
    options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
      -o Dir::State::Lists="$apt/lists" -o APT::Sandbox::User=root -qq)
    apt-get "${options[@]}" update
  fi
  (cd "$apt" && apt-get "${options[@]}" source --download-only "$package" >/dev/null &&
    dpkg-source --no-check -x "$package"_*.dsc "$package" >/dev/null)
  rm -rf "${deps:?}/$package"
  mv "$apt/$package" "$deps/$package"
}

fetch_source zlib inflate.c
fetch_source libdeflate lib/deflate_decompress.c
