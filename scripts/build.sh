#!/usr/bin/env bash
# Builds the native tools, the x86_64 twin with its tests, and the shipping i686 installer,
# which it copies to dist/instkst.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
jobs=${KST_JOBS:-$(nproc)}

configure() {
  local source=$1 binary=$2
  shift 2
  cmake -G Ninja -S "$source" -B "$binary" "$@" >"$binary.configure.log" 2>&1 ||
    { cat "$binary.configure.log" >&2; return 1; }
}

mkdir -p "$build"
configure "$root/tools" "$build/native" -DCMAKE_BUILD_TYPE=Release \
  -DKST_LIBDEFLATE_SOURCE="$build/deps/libdeflate"
ninja --quiet -C "$build/native" -j "$jobs"

packer=$build/native/packer/kstpack
for arch in x86_64 i686; do
  # zlib packs test data; only the twin with its tests and benchmarks builds it.
  tests=(-DKST_BUILD_TESTS=OFF)
  [[ $arch == x86_64 ]] && tests=(-DKST_BUILD_TESTS=ON -DKST_ZLIB_SOURCE="$build/deps/zlib")
  configure "$root" "$build/$arch" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" -DKST_PACKER="$packer" \
    -DKST_LIBDEFLATE_SOURCE="$build/deps/libdeflate" "${tests[@]}" ${KST_CMAKE_OPTIONS:-}
  ninja --quiet -C "$build/$arch" -j "$jobs"
done

mkdir -p "$root/dist"
if [[ -n ${KST_SIGN_CERT:-} && -n ${KST_SIGN_KEY:-} ]]; then
  "$root/scripts/sign.sh" "$KST_SIGN_CERT" "$KST_SIGN_KEY" "$build/i686/instkst.exe" "$root/dist/instkst.exe"
else
  cp "$build/i686/instkst.exe" "$root/dist/instkst.exe"
fi
