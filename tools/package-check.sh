#!/usr/bin/env bash
# Checks the two ways of installing and the Debian package's life:
#   tools/package-check.sh BUILD_DIR
# Configures and builds a Release tree in BUILD_DIR (tests off) and installs
# it into a scratch prefix; builds the source and binary packages with
# dpkg-buildpackage in a copy of the tree and compares their files with that
# install; runs lintian at its strictest on the .changes; then, as root,
# tools/package-install-check.sh runs the autopkgtests against the package on
# this machine and removes it again; last, tools/repro-check.sh builds the
# package again with varied surroundings and compares the .debs.
# Ends with "N passed, M failed"; exits 1 when anything failed.
# The helpers below run through check(), which shellcheck cannot follow.
# shellcheck disable=SC2317
set -uo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(mkdir -p "$1" && cd "$1" && pwd)
# shellcheck source=debian/tests/checks.sh
. "$SRC/debian/tests/checks.sh"
# Everything an install puts down, relative to the prefix.
mapfile -t FILES < <(sed 's|^/usr/||' "$SRC/debian/tests/installed-files")

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# --- helpers that answer with their exit status ----------------------------

same_lines() {  # same_lines EXPECTED_FILE ACTUAL_FILE
  diff -u "$1" "$2"
}

# no_comment_section DEB: no ELF file of the package keeps the compiler's
# .comment section (dh_strip removes it).
no_comment_section() {
  local dir=$WORK/unpacked f found=0
  rm -rf "$dir"
  dpkg-deb -x "$1" "$dir" || return 1
  while IFS= read -r -d '' f; do
    if file -b "$f" | grep -q '^ELF' && readelf -S -W "$f" | grep -q ' \.comment '; then
      echo "${f#"$dir"}: .comment"
      found=1
    fi
  done < <(find "$dir" -type f -print0)
  [ "$found" -eq 0 ]
}

# debug_symbols_for DEB DBGSYM: for each program of DEB, DBGSYM has
# usr/lib/debug/.build-id/XX/REST.debug named after its GNU build id (dh_dwz
# may add a shared .dwz file beside them).
debug_symbols_for() {
  local dir=$WORK/programs program id missing=0
  rm -rf "$dir"
  dpkg-deb -x "$1" "$dir" || return 1
  dpkg-deb -c "$2" | awk '{print $6}' >"$WORK/dbgsym-files"
  for program in "$dir"/usr/bin/*; do
    id=$(readelf -n "$program" | sed -n 's/^ *Build ID: //p')
    [ -n "$id" ] || { echo "$(basename "$program"): no build id"; missing=1; continue; }
    grep -qx "./usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" "$WORK/dbgsym-files" ||
      { echo "$(basename "$program"): no .build-id/${id:0:2}/${id:2}.debug"; missing=1; }
  done
  return "$missing"
}

# lintian_explained CHANGES: no error or warning, and every other tag one the
# README explains: on Debian 13, Debian 12's override of
# newer-standards-version is unused.
EXPLAINED_TAGS='^I: vorlantix source: unused-override newer-standards-version '
lintian_explained() {
  local out status=0 unexplained
  out=$(lintian --pedantic --display-info --fail-on error,warning "$1" 2>&1) ||
    status=$?
  grep -E '^[EWIPXON]: ' <<<"$out" >"$WORK/lintian.txt"
  [ "$status" -eq 0 ] || { echo "lintian exited $status"; return 1; }
  unexplained=$(grep -E '^[EWIPX]: ' <<<"$out" | grep -vE "$EXPLAINED_TAGS")
  [ -z "$unexplained" ] || { echo "$unexplained"; return 1; }
}

# --- build and install into a scratch prefix -------------------------------

echo "== Release build in $BUILD"
if ! cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVLX_TESTS=OFF -DVLX_SANITIZE=OFF \
  >"$WORK/configure.log" 2>&1; then
  fail "configure" "see below"
  tail -20 "$WORK/configure.log"
  finish
fi
pass "configure"
if ! cmake --build "$BUILD" -j"$(nproc)" >"$WORK/build.log" 2>&1; then
  fail "build" "see below"
  tail -30 "$WORK/build.log"
  finish
fi
pass "build"

PREFIX=$WORK/prefix
check "cmake --install into a scratch prefix" cmake --install "$BUILD" --prefix "$PREFIX"
printf '%s\n' "${FILES[@]}" | sort >"$WORK/expected"
(cd "$PREFIX" 2>/dev/null && find . -type f -o -type l | sed 's|^\./||' | sort) >"$WORK/installed"
check "installed files are exactly the expected ones" same_lines "$WORK/expected" "$WORK/installed"
check "both programs are executable" test -x "$PREFIX/bin/vorlantix" -a -x "$PREFIX/bin/vorlantix-render"

# --- the Debian package, built the Debian way --------------------------------

echo "== dpkg-buildpackage (source and binary) in a copy of the tree"
# A copy, so that the outputs, which dpkg-buildpackage puts beside the tree,
# land in a folder of ours; git names the files (no build folders).
PKG=$WORK/pkg
mkdir -p "$PKG/vorlantix"
if git -c safe.directory="$SRC" -C "$SRC" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$SRC" && git -c safe.directory="$SRC" ls-files -z -co --exclude-standard |
    tar --null -cf - -T -) | tar -xf - -C "$PKG/vorlantix"
else
  tar -C "$SRC" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$PKG/vorlantix"
fi
check "dpkg-checkbuilddeps: the Build-Depends are installed" \
  bash -c "cd '$PKG/vorlantix' && dpkg-checkbuilddeps"
started=$SECONDS
if ! (cd "$PKG/vorlantix" && dpkg-buildpackage -us -uc -j"$(nproc)") >"$WORK/dpkg-buildpackage.log" 2>&1; then
  fail "dpkg-buildpackage -us -uc" "see below"
  tail -30 "$WORK/dpkg-buildpackage.log"
  finish
fi
pass "dpkg-buildpackage -us -uc ($((SECONDS - started)) s)"
ARCH=$(dpkg --print-architecture)
VERSION=$(cd "$PKG/vorlantix" && dpkg-parsechangelog -S Version)
DEB=$PKG/vorlantix_${VERSION}_${ARCH}.deb
CHANGES=$PKG/vorlantix_${VERSION}_${ARCH}.changes
check "it built vorlantix and vorlantix-dbgsym, nothing else" \
  is "$(cd "$PKG" && find . -maxdepth 1 -name '*.deb' | sort | tr '\n' ' ')" \
  "./vorlantix-dbgsym_${VERSION}_${ARCH}.deb ./vorlantix_${VERSION}_${ARCH}.deb "
check "the source package is $(basename "$PKG"/vorlantix_"$VERSION".dsc)" test -f "$PKG/vorlantix_$VERSION.dsc"
check "the project's version is the package's" \
  is "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")" "$VERSION"
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort >"$WORK/packaged"
check "the package holds exactly what cmake --install puts down" same_lines "$WORK/expected" "$WORK/packaged"
check "no binary keeps a .comment section" no_comment_section "$DEB"
check "the dbgsym package holds the debug symbols of both programs, by build id" \
  debug_symbols_for "$DEB" "$PKG/vorlantix-dbgsym_${VERSION}_${ARCH}.deb"
check "lintian --pedantic --display-info on the .changes: nothing unexplained" \
  lintian_explained "$CHANGES"
sed 's/^/      lintian: /' "$WORK/lintian.txt"

# Installing, the autopkgtests and removal; its checks count with ours.
"$SRC/tools/package-install-check.sh" "$PKG/vorlantix" "$DEB" | tee "$WORK/install.log"
read -r passed _ failed _ < <(tail -n 1 "$WORK/install.log")
PASSED=$((PASSED + ${passed:-0}))
FAILED=$((FAILED + ${failed:-1}))

echo "== reproducibility"
check "tools/repro-check.sh: a varied second build gives the same .debs" \
  bash -c "'$SRC/tools/repro-check.sh' '$PKG' >'$WORK/repro.log' 2>&1"
sed 's/^/      /' "$WORK/repro.log"
finish
