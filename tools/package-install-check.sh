#!/usr/bin/env bash
# Installs a built package on this machine the way its users meet it and
# takes it away again:
#   tools/package-install-check.sh SOURCE_TREE DEB
# runs the autopkgtests of SOURCE_TREE's debian/tests against DEB (the null
# back end installs it), then removes and purges it and looks for leftovers.
# Needs root; refuses to touch a vorlantix package installed before it.
# Ends with "N passed, M failed"; exits 1 when anything failed.
# The helpers below run through check(), which shellcheck cannot follow.
# shellcheck disable=SC2317
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 SOURCE_TREE DEB" >&2
  exit 2
fi
TREE=$(cd "$1" && pwd)
DEB=$2
# shellcheck source=debian/tests/checks.sh
. "$TREE/debian/tests/checks.sh"
mapfile -t FILES <"$TREE/debian/tests/installed-files"

if [ "$(id -u)" -ne 0 ]; then
  echo "skip  autopkgtest, dpkg -r / dpkg -P: needs root"
  finish
fi
if dpkg-query -W -f='${Status}' vorlantix 2>/dev/null | grep -q "ok installed"; then
  echo "skip  autopkgtest, dpkg -r / dpkg -P: a vorlantix package is installed already; not touching it"
  finish
fi

WORK=$(mktemp -d)
INSTALLED_BY_US=1
cleanup() {
  # An interrupted run must not leave the package on the machine.
  if [ "$INSTALLED_BY_US" -eq 1 ]; then
    dpkg -P vorlantix >/dev/null 2>&1
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

lacks() {
  ! grep -qaF -- "$2" "$1" 2>/dev/null || { echo "'$2' still in $1"; return 1; }
}

none_exist() {
  local f left=0
  for f in "$@"; do
    if [ -e "$f" ]; then
      echo "left behind: $f"
      left=1
    fi
  done
  [ "$left" -eq 0 ]
}

echo "== autopkgtest on this machine (null back end)"
# It installs the package (and what the tests depend on) and leaves it
# installed; the removal below takes it away again.
autopkgtest --output-dir "$WORK/autopkgtest" "$TREE" "$DEB" -- null \
  >"$WORK/autopkgtest.log" 2>&1
status=$?
# Each test's own output is kept in TEST-stdout: its failed checks and its
# count are shown here.
while read -r test result _; do
  out=$WORK/autopkgtest/$test-stdout
  count=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$out" 2>/dev/null | tail -n 1)
  case $result in
    PASS) pass "autopkgtest $test${count:+ ($count)}" ;;
    *) fail "autopkgtest $test" "$result${count:+ ($count)}" ;;
  esac
  grep -A3 '^FAIL  ' "$out" 2>/dev/null | sed 's/^/      /'
done <"$WORK/autopkgtest/summary"
check "autopkgtest exits 0 (it exited $status)" test "$status" -eq 0
[ "$status" -eq 0 ] || tail -40 "$WORK/autopkgtest.log"

echo "== dpkg -r and dpkg -P"
check "dpkg -r vorlantix" dpkg -r vorlantix
check "dpkg -P vorlantix" dpkg -P vorlantix
INSTALLED_BY_US=0
check "dpkg no longer knows vorlantix" \
  is "$(dpkg-query -W -f='${Status}' vorlantix 2>/dev/null | grep -v not-installed)" ""
check "no installed file remains" none_exist "${FILES[@]}"
check "the type left the MIME database" lacks /usr/share/mime/globs2 application/x-vorlantix
check "the program left the desktop database" \
  lacks /usr/share/applications/mimeinfo.cache org.example.vorlantix.desktop
if [ -f /usr/share/icons/hicolor/icon-theme.cache ]; then
  check "the icon left the icon cache" lacks /usr/share/icons/hicolor/icon-theme.cache vorlantix
fi
finish
