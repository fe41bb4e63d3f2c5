#!/usr/bin/env bash
# Makes the reference pictures of the installer's pages (tests/e2e/references) anew from the
# window as the current source draws it. Run it after a change that is meant to alter a page,
# look at the pictures, and commit them with the change; the tests themselves only compare.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${KST_BUILD_DIR:-$root/build}
references=$root/tests/e2e/references

"$root/scripts/build.sh" || exit 1
# From the shipping installer where this machine runs it; both draw every page alike.
tests=$build/i686-tests
"$root/scripts/runs-32bit.sh" --wine >/dev/null || tests=$build/x86_64
KST_UPDATE_PAGE_REFERENCES=1 "$root/tests/harness/session.sh" \
  ctest --test-dir "$tests" --output-on-failure -R '^e2e_(frame|install|uninstall)_tests$'
status=$?

# GDI+ writes large PNG files; zopflipng makes them small without changing a pixel.
if command -v zopflipng >/dev/null; then
  for picture in "$references"/*.png; do
    zopflipng -y "$picture" "$picture" >/dev/null || status=1
  done
fi
git -C "$root" status --short -- "$references"
((status == 0)) || echo "update-page-references.sh: a test failed; its pages may not be written" >&2
exit "$status"
