#!/usr/bin/env bash
# Installs what building and testing need on a bare Debian 12 machine. Quiet and quick when
# everything is there already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  googletest libgtest-dev zlib1g-dev libzopfli-dev zopfli liblief-dev libpugixml-dev
  wine64 xvfb fonts-wqy-microhei imagemagick
  python3 python3-pil x11-utils
  clang libclang-rt-14-dev osslsigncode openssl
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
