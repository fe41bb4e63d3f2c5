#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test: the native tools' tests
# with the static checks of the shipping executable, then the Windows tests under Wine in a
# throwaway prefix.
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

ctest --test-dir "$build/native" --output-on-failure -j "$jobs" 2>&1 | tee "$logs/native.log"
"$root/tests/harness/session.sh" \
  ctest --test-dir "$build/x86_64" --output-on-failure -j "$jobs" 2>&1 | tee "$logs/windows.log"

# One closing line over both runs. ctest counts a skipped test among the passed ones and names it
# only in its list of tests that did not run.
passed=0
failed=0
skipped=0
for log in "$logs/native.log" "$logs/windows.log"; do
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
  passed=$((passed + run_total - run_failed - run_skipped))
  failed=$((failed + run_failed))
  skipped=$((skipped + run_skipped))
done
echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
