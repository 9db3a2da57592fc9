#!/usr/bin/env bash
# Runs the end-to-end session (tools/e2e.sh) with the program under
# valgrind's memcheck and reports the definite leaks, telling those our code
# allocated from those of the libraries beneath it.
#
#   tools/valgrind-e2e.sh BUILD_DIR
#
# BUILD_DIR must be built without sanitizers (RelWithDebInfo keeps the source
# lines in the stacks). Exits 0 only when the session passed, memcheck found
# no error and no definite leak comes from our code; 77 when valgrind is
# missing (Debian package: valgrind).
set -uo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SOURCE_DIR="$(dirname "$HERE")"
readonly SKIP=77
readonly ERROR_EXIT=99

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
BUILD_DIR="$(cd "$1" 2>/dev/null && pwd)" || { echo "build directory $1 not found" >&2; exit 2; }
readonly PROGRAM="$BUILD_DIR/bin/vorlantix"

if ! command -v valgrind >/dev/null 2>&1; then
  echo "SKIP: valgrind is not installed (Debian package: valgrind)"
  exit $SKIP
fi
if [ ! -x "$PROGRAM" ]; then
  echo "FAIL: $PROGRAM not found" >&2
  exit 1
fi
# AddressSanitizer's shadow memory and valgrind cannot share a process.
if grep -q __asan_init "$PROGRAM"; then
  echo "FAIL: $PROGRAM is built with sanitizers; valgrind needs a build without them" >&2
  exit 1
fi

# A fixed, blank-free place: the wrapper below is split on blanks.
WORK="$(mktemp -d /tmp/vlx-valgrind.XXXXXX)"
# shellcheck disable=SC2317  # run by the trap
keep_log() {
  [ -n "${VLX_E2E_KEEP:-}" ] && mkdir -p "$VLX_E2E_KEEP" && cp "$LOG" "$VLX_E2E_KEEP/" 2>/dev/null
  rm -rf "$WORK"
}
trap keep_log EXIT
cp "$SOURCE_DIR/tests/e2e/valgrind.supp" "$WORK/valgrind.supp"
# One log per process (the session starts the program several times), joined
# into LOG afterwards.
mkdir "$WORK/logs"
LOG="$WORK/memcheck.log"

# Qt forks a helper that looks for a session bus; its copy of our heap is not
# ours to judge, so only the program itself reports.
WRAPPER="valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,possible"
WRAPPER+=" --errors-for-leak-kinds=definite --error-exitcode=$ERROR_EXIT"
WRAPPER+=" --child-silent-after-fork=yes --num-callers=40 --fullpath-after="
WRAPPER+=" --suppressions=$WORK/valgrind.supp --log-file=$WORK/logs/memcheck.%p.log"

# Generous limits: memcheck slows the program down many times over.
VLX_E2E_WRAPPER="$WRAPPER" VLX_E2E_TIMEOUT="${VLX_E2E_TIMEOUT:-900}" VLX_E2E_WAIT="${VLX_E2E_WAIT:-180}" \
  bash "$SOURCE_DIR/tools/e2e.sh" "$BUILD_DIR"
session=$?
cat "$WORK"/logs/memcheck.*.log >"$LOG" 2>/dev/null

echo
echo "== memcheck =="
if [ ! -s "$LOG" ]; then
  echo "FAIL: memcheck wrote no log"
  exit 1
fi
grep -E '== +(ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|suppressed):' "$LOG" |
  sed 's/^==[0-9]*== */  /'
echo "  ($(grep -c "ERROR SUMMARY:" "$LOG") runs of the program)"

# Each loss record: its title line, then "at"/"by" frames up to a blank line.
# A record is ours when the first frame past the allocator functions lies in
# our sources (or in code generated for them in the build directory); it
# merely passes through ours when only a later frame, past a library, does.
awk -v src="$SOURCE_DIR/src/" -v build="$BUILD_DIR/" '
  function ours(frame) { return index(frame, "(" src) || index(frame, "(" build) }
  # Standard headers show up only as code inlined into the caller below them.
  function allocator(frame) {
    return frame ~ /vgpreload_memcheck|libstdc\+\+|: (malloc|calloc|realloc|operator new)|\(\/usr\/include\//
  }
  function flush() {
    if (title == "") return
    kind = "library"
    first = 1
    for (i = 1; i <= n; i++) {
      if (first && allocator(frames[i])) continue
      if (first) { first = 0; if (ours(frames[i])) { kind = "OURS"; break } ; continue }
      if (ours(frames[i]) && frames[i] !~ / main \(/) { kind = "through our code"; break }
    }
    count[kind]++
    if (leak == "definitely") {
      definite[kind]++
      printf "\n[%s] %s\n", kind, title
      for (i = 1; i <= n; i++) print "    " frames[i]
    }
    title = ""
    n = 0
  }
  /are (definitely|possibly) lost in loss record/ {
    flush()
    title = $0
    sub(/^==[0-9]+== /, "", title)
    leak = ($0 ~ /definitely/) ? "definitely" : "possibly"
    next
  }
  title != "" && /^==[0-9]+== +(at|by) 0x/ {
    frame = $0
    sub(/^==[0-9]+== +/, "", frame)
    frames[++n] = frame
    next
  }
  title != "" { flush() }
  END {
    flush()
    printf "\nDefinite leaks allocated by our code: %d\n", definite["OURS"] + 0
    printf "Definite leaks in libraries, reached through our code: %d\n", definite["through our code"] + 0
    printf "Definite leaks in libraries only: %d\n", definite["library"] + 0
    printf "Possible leaks (not counted as errors): %d\n", count["OURS"] + count["through our code"] + count["library"] - definite["OURS"] - definite["through our code"] - definite["library"]
    exit (definite["OURS"] > 0) ? 1 : 0
  }
' "$LOG"
ours=$?

# Every process that ended wrote its own summary.
runs=$(grep -c 'ERROR SUMMARY:' "$LOG")
errors=$(sed -n 's/^==[0-9]*== ERROR SUMMARY: \([0-9]*\) errors.*/\1/p' "$LOG" |
  awk '{ n += $1 } END { print n + 0 }')
[ "$runs" -gt 0 ] || errors=""
# Errors other than leaks come first in each log, between its header and the
# heap summary.
others=$(for one in "$WORK"/logs/memcheck.*.log; do sed -n '/HEAP SUMMARY/q;p' "$one"; done |
  sed 's/^==[0-9]*== */  /' |
  grep -v -E '^ *$|^  (Memcheck,|Copyright|Using Valgrind|Command:|Parent PID:)')
if [ -n "$others" ]; then
  echo
  echo "memcheck errors other than leaks:"
  head -n 150 <<<"$others"
fi

echo
if [ "$session" -eq 0 ] && [ "${errors:-1}" -eq 0 ] && [ "$ours" -eq 0 ]; then
  echo "memcheck: session passed, no errors, no definite leak of ours"
  exit 0
fi
echo "memcheck: session status $session, $errors error(s), definite leaks of ours: $([ "$ours" -eq 0 ] && echo none || echo some)"
exit 1
