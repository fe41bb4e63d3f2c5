#!/usr/bin/env bash
# Builds the native tools, the shipping i686 installer, which it copies to dist/instkst.exe, and
# the Windows tests of both bitnesses.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
jobs=${KST_JOBS:-$(nproc)}

# configure SOURCE PRESET BINARY [OPTION...]: the preset of SOURCE's CMakePresets.json, with the
# folders of this build (KST_BUILD_DIR may move it) given explicitly.
configure() {
  local source=$1 preset=$2 binary=$3
  shift 3
  (cd "$source" && cmake --preset "$preset" -B "$binary" "$@") >"$binary.configure.log" 2>&1 ||
    { cat "$binary.configure.log" >&2; return 1; }
}

mkdir -p "$build"
configure "$root/tools" native "$build/native" -DKST_LIBDEFLATE_SOURCE="$build/deps/libdeflate"
ninja --quiet -C "$build/native" -j "$jobs"

packer=$build/native/packer/kstpack
shipping=$root/dist/instkst.exe
# The presets of the three trees: the shipping installer (Clang), its x86_64 twin with the Windows
# tests (Clang), and the 32-bit Windows tests (GCC: cmake/mingw-i686-gcc.cmake says why), whose
# end-to-end tests start the shipping file in dist/.
for tree in i686 x86_64 i686-tests; do
  options=()
  [[ $tree != i686 ]] && options+=(-DKST_ZLIB_SOURCE="$build/deps/zlib")
  [[ $tree == i686-tests ]] &&
    options+=(-DKST_INSTALLER_UNDER_TEST="$shipping" -DKST_PAYLOAD_UNDER_TEST="$build/i686/payload")
  configure "$root" "$tree" "$build/$tree" -DKST_PACKER="$packer" \
    -DKST_LIBDEFLATE_SOURCE="$build/deps/libdeflate" "${options[@]}" ${KST_CMAKE_OPTIONS:-}
  ninja --quiet -C "$build/$tree" -j "$jobs"
done

mkdir -p "$(dirname "$shipping")"
if [[ -n ${KST_SIGN_CERT:-} && -n ${KST_SIGN_KEY:-} ]]; then
  "$root/scripts/sign.sh" "$KST_SIGN_CERT" "$KST_SIGN_KEY" "$build/i686/instkst.exe" "$shipping"
else
  cp "$build/i686/instkst.exe" "$shipping"
fi

# The package manifest for the file just made: its version and its hash.
version=$(sed -nE 's/^project\(kestrel_installer VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
hash=$(sha256sum "$shipping" | cut -d' ' -f1)
sed -e "s/@KST_VERSION@/$version/" -e "s/@KST_INSTALLER_SHA256@/${hash^^}/" \
  "$root/packaging/Tolvane.Veltrin.yaml.in" >"$(dirname "$shipping")/Tolvane.Veltrin.yaml"
