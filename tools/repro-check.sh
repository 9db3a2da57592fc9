#!/usr/bin/env bash
# Builds the Debian package twice from the same sources and compares the
# .deb files byte for byte:
#   tools/repro-check.sh [REFERENCE_DIR]
# REFERENCE_DIR holds the .debs of a plain build (dpkg-buildpackage in a copy
# of the tree, as tools/package-check.sh makes them); without it the plain
# build is made here first. The second build varies what reprotest varies:
# the build path (another name, another depth), the time (libfaketime, 397
# days and 7 hours on), the time zone, the locale, the umask, the user
# and group (nobody), HOME and the number of parallel jobs. Prints each
# package's SHA-256 from both builds; exits 1 when any differ, after
# diffoscope's report where diffoscope is installed.
set -euo pipefail

SRC=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d /var/tmp/vlx-repro.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
chmod 755 "$WORK"

# copy_tree DEST: the tree as git sees it (tracked and new files, no build
# folders), so that neither build finds the other's leftovers; without git,
# everything but the build folders.
copy_tree() {
  mkdir -p "$1"
  if git -c safe.directory="$SRC" -C "$SRC" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$SRC" && git -c safe.directory="$SRC" ls-files -z -co --exclude-standard |
      tar --null -cf - -T -) | tar -xf - -C "$1"
  else
    tar -C "$SRC" --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$1"
  fi
}

if [ $# -ge 1 ]; then
  REFERENCE=$(cd "$1" && pwd)
else
  REFERENCE=$WORK/plain
  copy_tree "$REFERENCE/vorlantix"
  echo "== plain build in $REFERENCE/vorlantix"
  (cd "$REFERENCE/vorlantix" && dpkg-buildpackage -us -uc -b -j2) >"$WORK/plain.log" 2>&1 ||
    {
      tail -30 "$WORK/plain.log"
      exit 1
    }
fi
mapfile -t DEBS < <(cd "$REFERENCE" && ls ./*.deb)
[ ${#DEBS[@]} -gt 0 ] || { echo "repro-check.sh: no .deb in $REFERENCE" >&2; exit 2; }

VARIED=$WORK/a/much/longer/build-path/somewhere-else
copy_tree "$VARIED/vorlantix-src"
mkdir -p "$VARIED/home"
chown -R nobody:nogroup "$VARIED" "$WORK/a"
FAKETIME_LIB=$(find /usr/lib -name libfaketime.so.1 -path '*faketime*' | head -n 1)
[ -n "$FAKETIME_LIB" ] || { echo "repro-check.sh: libfaketime not found (Debian package faketime)" >&2; exit 2; }
USER_ARGS=()
[ "$(id -u)" -eq 0 ] && USER_ARGS=(setpriv --reuid=nobody --regid=nogroup --clear-groups)

echo "== varied build in $VARIED/vorlantix-src"
# dpkg-buildpackage takes SOURCE_DATE_EPOCH from debian/changelog in both.
if ! (cd "$VARIED/vorlantix-src" &&
  "${USER_ARGS[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$VARIED/home" \
    TZ=Pacific/Chatham LANG=fr_CH.UTF-8 LC_ALL=fr_CH.UTF-8 LANGUAGE=fr_CH:fr \
    LD_PRELOAD="$FAKETIME_LIB" FAKETIME=+9535h FAKETIME_DONT_RESET=1 \
    bash -c 'umask 0002 && dpkg-buildpackage -us -uc -b -j1') >"$WORK/varied.log" 2>&1; then
  tail -30 "$WORK/varied.log"
  exit 1
fi

same=0
differ=0
for deb in "${DEBS[@]}"; do
  deb=${deb#./}
  a=$(sha256sum <"$REFERENCE/$deb" | cut -d' ' -f1)
  b=$(sha256sum <"$VARIED/$deb" 2>/dev/null | cut -d' ' -f1)
  if [ "$a" = "$b" ]; then
    echo "identical  $deb  $a"
    same=$((same + 1))
  else
    echo "DIFFERENT  $deb  $a  ${b:-missing}"
    differ=$((differ + 1))
    if command -v diffoscope >/dev/null && [ -n "$b" ]; then
      diffoscope "$REFERENCE/$deb" "$VARIED/$deb" | head -100 || true
    fi
  fi
done
echo "reproducible: $same identical, $differ different"
[ "$differ" -eq 0 ]
