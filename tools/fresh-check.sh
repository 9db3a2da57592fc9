#!/usr/bin/env bash
# Runs the README's commands on a brand-new Debian with a desktop's sound:
#   tools/fresh-check.sh RELEASE [ROOT]      RELEASE: trixie (13) or bookworm (12)
# Makes a minimal root of RELEASE with debootstrap (plus git and
# ca-certificates) in ROOT (default /var/tmp/vlx-fresh-RELEASE), installs the
# desktop audio stack (pipewire-audio) as a Debian desktop has it, clones this
# repository's committed HEAD into it, then, inside the root:
#   1. the run command (tools/run.sh) builds and starts the program;
#   2. the test command (.ci/run) passes: among its steps, the source and
#      binary packages are built with dpkg-buildpackage, lintian-checked,
#      tested by autopkgtest and built again for the reproducibility check;
#   3. neither removed or replaced an installed package.
# Packages come from the Debian mirror this machine's apt sources name, else
# from debootstrap's default (VLX_MIRROR and VLX_SECURITY_MIRROR override).
# Needs root; takes 20 to 40 minutes. Not part of .ci/run. VLX_KEEP_ROOT=1
# keeps ROOT afterwards.
set -euo pipefail

usage() {
  echo "usage: $0 trixie|bookworm [ROOT]" >&2
  exit 2
}
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  usage
fi
RELEASE=$1
case "$RELEASE" in
  trixie) NUMBER=13 ;;
  bookworm) NUMBER=12 ;;
  *) usage ;;
esac
SRC=$(cd "$(dirname "$0")/.." && pwd)
ROOT=${2:-/var/tmp/vlx-fresh-$RELEASE}

# The machine's own Debian sources, one-line and deb822 alike, as "URI SUITE"
# pairs.
apt_sources() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -nE 's/^deb( \[[^]]*\])? +([^ ]+) +([^ ]+).*/\2 \3/p' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && awk '
      /^[Uu][Rr][Ii][Ss]:/ { uri = $2 }
      /^[Ss]uites:/ { suite = $2 }
      /^$/ { if (uri != "") print uri, suite; uri = ""; suite = "" }
      END { if (uri != "") print uri, suite }' "$f"
  done
}
sources=$(apt_sources | grep -E '/debian(-security)?/?[[:space:]]' || true)
MIRROR=${VLX_MIRROR:-$(awk '$2 !~ /security/ { print $1; exit }' <<<"$sources")}
SECURITY=${VLX_SECURITY_MIRROR:-$(awk '$2 ~ /security/ { print $1; exit }' <<<"$sources")}
if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check.sh: needs root (debootstrap, chroot, mount)" >&2
  exit 2
fi
if [ -e "$ROOT" ]; then
  echo "fresh-check.sh: $ROOT exists; remove it or name another" >&2
  exit 2
fi
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

# Processes whose root is ROOT: the only ones this script may stop.
stop_root_processes() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$ROOT" ] && kill -9 "${p#/proc/}" 2>/dev/null
  done
  return 0
}
cleanup() {
  stop_root_processes
  # Lazily, so that a process left running inside cannot keep a mount alive;
  # only an unmounted tree is ever removed.
  umount -R -l "$ROOT/proc" "$ROOT/sys" "$ROOT/dev" 2>/dev/null || true
  if [ "${VLX_KEEP_ROOT:-0}" != 1 ] && ! grep -q " $ROOT/" /proc/mounts; then
    rm -rf --one-file-system "$ROOT"
  fi
}
trap cleanup EXIT

in_root() {
  chroot "$ROOT" /usr/bin/env -i HOME=/root LANG=C.UTF-8 CI=true \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive "$@"
}
packages() { in_root dpkg-query -W -f="\${Package}\n" | sort; }
step() { printf '\n=== %s (%ss)\n' "$1" "$((SECONDS - START))"; }
START=$SECONDS

step "debootstrap $RELEASE into $ROOT from ${MIRROR:-the default mirror}"
# Without a mirror named, debootstrap takes its own.
debootstrap --variant=minbase --include=git,ca-certificates "$RELEASE" "$ROOT" ${MIRROR:+"$MIRROR"} \
  >"$ROOT.debootstrap.log" 2>&1 ||
  {
    tail -20 "$ROOT.debootstrap.log"
    exit 1
  }
rm -f "$ROOT.debootstrap.log"
# debootstrap wrote the mirror it used; the release's updates (and security
# updates, where the machine names their mirror) join it, as on an installed
# system.
used=$(sed -nE 's/^deb +([^ ]+) .*/\1/p' "$ROOT/etc/apt/sources.list" | head -n 1)
{
  echo "deb $used $RELEASE main"
  echo "deb $used $RELEASE-updates main"
  [ -z "$SECURITY" ] || echo "deb $SECURITY $RELEASE-security main"
} >"$ROOT/etc/apt/sources.list"
cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
mount -t proc proc "$ROOT/proc"
mount -t sysfs sysfs "$ROOT/sys"
mount --rbind /dev "$ROOT/dev"
mount --make-rslave "$ROOT/dev"

step "the desktop's sound stack: pipewire-audio"
in_root apt-get update -qq
in_root apt-get install -y -qq pipewire-audio >/dev/null
packages >"$ROOT/before.txt"

step "clone $(git -C "$SRC" rev-parse --short HEAD)"
git clone -q "$SRC" "$ROOT/work/vorlantix"

results=()
step "run command: tools/run.sh"
# run.sh ends by starting the program: it passes when the program is still
# up a few seconds after it appeared.
in_root bash -c 'cd /work/vorlantix && QT_QPA_PLATFORM=offscreen tools/run.sh' >"$ROOT/run.log" 2>&1 &
runner=$!
# The root's /proc shows every process of the machine: only a program whose
# root is ROOT counts, not one another user runs from a build of their own.
program_started() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$ROOT" ] &&
      tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -q 'build/bin/vorlantix' && return 0
  done
  return 1
}
started=""
for _ in $(seq 1800); do
  if program_started; then
    started=yes
    break
  fi
  kill -0 "$runner" 2>/dev/null || break
  sleep 1
done
if [ -n "$started" ] && sleep 3 && kill -0 "$runner" 2>/dev/null; then
  results+=("PASS  run command builds and starts the program")
else
  results+=("FAIL  run command builds and starts the program (see below)")
  tail -20 "$ROOT/run.log"
fi
stop_root_processes
wait "$runner" 2>/dev/null || true

step "test command: bash .ci/run"
if in_root bash -c 'cd /work/vorlantix && bash .ci/run' >"$ROOT/ci.log" 2>&1; then
  results+=("PASS  .ci/run exits 0")
else
  results+=("FAIL  .ci/run exits $?")
fi
grep -E '^[0-9]+% tests passed|^[0-9]+ passed, [0-9]+ failed|^tests: |Skipped|\*\*\*Failed|ERROR SUMMARY|Done [0-9]+ runs|dpkg-buildpackage|vorlantix and vorlantix-dbgsym|lintian|autopkgtest|^ *(identical|DIFFERENT) |reproducible:' "$ROOT/ci.log" || true
tail -5 "$ROOT/ci.log"

packages >"$ROOT/after.txt"
gone=$(comm -23 "$ROOT/before.txt" "$ROOT/after.txt")
if [ -z "$gone" ]; then
  results+=("PASS  no package removed or replaced")
else
  results+=("FAIL  packages removed: $(echo "$gone" | tr '\n' ' ')")
fi

printf '\n=== fresh Debian %s (%s) check, %s s\n' "$NUMBER" "$RELEASE" "$((SECONDS - START))"
printf '%s\n' "${results[@]}"
! printf '%s\n' "${results[@]}" | grep -q '^FAIL'
