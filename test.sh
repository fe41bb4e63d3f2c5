#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test: the native tools' tests
# with the static checks of the shipping executable, then the Windows tests of both bitnesses
# under Wine, each in a throwaway prefix.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${KST_BUILD_DIR:-$root/build}
jobs=${KST_JOBS:-$(nproc)}

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1

export KST_SHIPPING_EXE=$root/dist/instkst.exe
# The page tests compare with the committed references; only scripts/update-page-references.sh
# rewrites them.
unset KST_UPDATE_PAGE_REFERENCES
logs=$build/test-logs
mkdir -p "$logs"

# Each run under a heading and in a log of its own, named for the build its results belong to. The
# Windows tests of each bitness run in a Wine session of their own: the 32-bit ones as on 64-bit
# Windows, against the shipping installer in dist/, or skipped where this machine cannot run them.
run() {
  local name=$1 heading=$2
  shift 2
  echo "== $heading" | tee "$logs/$name.log"
  "$@" 2>&1 | tee -a "$logs/$name.log"
}
run native "native: the platform-free rules and the checks of the shipping executable" \
  ctest --test-dir "$build/native" --output-on-failure -j "$jobs"
i686_heading="Windows i686: the 32-bit tests and the shipping installer"
# ctest shows no output of a skipped test: the reason goes into the heading.
if ! reason=$("$root/scripts/runs-32bit.sh" --wine); then
  i686_heading+=", all skipped: $reason"
fi
run windows-i686 "$i686_heading" \
  "$root/tests/harness/session.sh" ctest --test-dir "$build/i686-tests" --output-on-failure -j "$jobs"
run windows-x86_64 "Windows x86_64: the 64-bit tests and the installer's twin" \
  "$root/tests/harness/session.sh" ctest --test-dir "$build/x86_64" --output-on-failure -j "$jobs"

# One closing line over all runs, after one line per run. ctest counts a skipped test among the
# passed ones and names it only in its list of tests that did not run.
passed=0
failed=0
skipped=0
for name in native windows-i686 windows-x86_64; do
  log=$logs/$name.log
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [[ -z $line ]]; then
    echo "test.sh: no test summary in $log" >&2
    failed=$((failed + 1))
    continue
  fi
  run_failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  run_total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  run_skipped=$(awk '/^The following tests did not run:/ { listed = 1; next }
                     listed && !/^[[:space:]]/ { listed = 0 }
                     listed && / \(Skipped\)$/ { count++ }
                     END { print count + 0 }' "$log")
  echo "$name: $((run_total - run_failed - run_skipped)) passed, $run_failed failed, $run_skipped skipped"
  passed=$((passed + run_total - run_failed - run_skipped))
  failed=$((failed + run_failed))
  skipped=$((skipped + run_skipped))
done
echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
