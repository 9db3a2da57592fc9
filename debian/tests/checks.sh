# Counting checks, shared by the autopkgtests and tools/package-check.sh:
# each check prints PASS or FAIL; finish ends with "N passed, M failed" and
# exits 1 when anything failed.
# shellcheck shell=bash

PASSED=0
FAILED=0
pass() {
  PASSED=$((PASSED + 1))
  echo "PASS  $1"
}
fail() {
  FAILED=$((FAILED + 1))
  echo "FAIL  $1${2:+: $2}"
}
# check NAME COMMAND...: passes when COMMAND succeeds; shows its output otherwise.
check() {
  local name=$1 out
  shift
  if out=$("$@" 2>&1); then
    pass "$name"
  else
    fail "$name"
    [ -n "$out" ] && printf '%s\n' "$out" | sed 's/^/      /'
  fi
}
finish() {
  echo "$PASSED passed, $FAILED failed"
  exit $((FAILED > 0))
}

is() {  # is GOT WANT
  [ "$1" = "$2" ] || { echo "got '$1', want '$2'"; return 1; }
}
