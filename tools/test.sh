#!/usr/bin/env bash
# Installs what is missing, then checks everything:
#   0. the layout of the C++ files and the shell scripts (tools/lint.sh);
#   1. the test suite, built under AddressSanitizer, UndefinedBehaviorSanitizer
#      and LeakSanitizer, with the end-to-end session of the real program
#      under Xvfb; every test that did not run is named at the end, and a
#      recorded sound check that did not run where it can fails the run;
#   2. both fuzz targets, VLX_FUZZ_SECONDS (default 60) seconds each;
#   3. installation (a Release build in build-release) and the Debian package:
#      dpkg-buildpackage, lintian, the autopkgtests on this machine, removal,
#      and a second, varied build that must give the same .debs;
#   4. the system tests under valgrind's memcheck, on that Release build.
# VLX_QUICK=1 stops after the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh test
tools/lint.sh

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DVLX_SANITIZE=ON -DVLX_TESTS=ON
cmake --build build-test -j"$(nproc)"
log=$(mktemp)
junit=$(mktemp)
skips=$(mktemp)
trap 'rm -f "$log" "$junit" "$skips"' EXIT
status=0
ctest --test-dir build-test --output-on-failure -j"$(nproc)" --output-junit "$junit" |
  tee "$log" || status=$?
# Every test that did not run is named, and the recorded sound check must run
# where it can (see tools/skipped-tests.py).
tools/skipped-tests.py "$junit" >"$skips" || status=1
cat "$skips"
[ "$status" -eq 0 ] || exit "$status"
[ "${VLX_QUICK:-0}" = 1 ] && exit 0

tools/fuzz.sh "${VLX_FUZZ_SECONDS:-60}"
tools/package-check.sh build-release
pytest-3 tests/system --build-dir build-release --memcheck

# The suite's own count closes the run.
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
total=${summary##* }
failed=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
echo "tests: $((total - failed)) passed, $failed failed"
cat "$skips"
