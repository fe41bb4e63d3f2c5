#!/usr/bin/env bash
# Makes the reference pictures of the installer's pages (tests/e2e/references) anew from the
# window as the current source draws it. Run it after a change that is meant to alter a page,
# look at the pictures, and commit them with the change; the tests themselves only compare.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
references=$root/tests/e2e/references

"$root/scripts/build.sh"
KST_UPDATE_PAGE_REFERENCES=1 "$root/tests/harness/session.sh" \
  ctest --test-dir "$build/x86_64" --output-on-failure -R '^e2e_(frame|install|uninstall)_tests$'

# GDI+ writes large PNG files; zopflipng makes them small without changing a pixel.
if command -v zopflipng >/dev/null; then
  for picture in "$references"/*.png; do
    zopflipng -y "$picture" "$picture" >/dev/null
  done
fi
git -C "$root" status --short -- "$references"
