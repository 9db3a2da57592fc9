#!/usr/bin/env bash
# Installs the Debian packages (Debian 13 or 12) that one kind of work needs:
#   tools/deps.sh run    building and running the program
#   tools/deps.sh test   that, and everything the test command runs, the
#                        Debian package's build and autopkgtests included
#   tools/deps.sh measure  what tools/sound-measure.py needs beyond a build
# Runs apt-get as root, or through sudo; does nothing when all are present.
# It never removes or replaces an installed package: where a package would
# displace one the machine has (pipewire-alsa conflicts with pulseaudio), it is
# left out and the checks that need it are skipped.
set -euo pipefail

RUN=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev libxcb1-dev libxcb-xinput-dev libasound2-dev libsoxr-dev
  libfftw3-dev
)
# The sound check plays into a private PipeWire, as Debian desktops have it,
# reached through ALSA's PipeWire route; it records with pw-record.
SOUND=(pipewire pipewire-bin wireplumber dbus alsa-utils)
SOUND_ROUTE=(pipewire-alsa)
# The Debian package: built by dpkg-buildpackage (debian/control's
# Build-Depends beyond RUN's), checked by lintian, tested by autopkgtest
# (what debian/tests/control's tests depend on), built again under libfaketime
# by tools/repro-check.sh.
PACKAGE=(
  dpkg-dev debhelper pkgconf file lintian autopkgtest faketime
  python3 xvfb xauth xdotool x11-apps x11-utils imagemagick
  appstream desktop-file-utils groff-base gtk-update-icon-cache hicolor-icon-theme
  libglib2.0-bin libxml2-utils man-db shared-mime-info dbus tumbler
)
TEST=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang-format shellcheck flake8
  xvfb python3-pytest python3-xlib python3-numpy python3-pil imagemagick
  "${SOUND[@]}" sox python3
  clang libclang-rt-dev llvm valgrind
  "${PACKAGE[@]}"
)

# The sound measurement: both PipeWire routes, a real PulseAudio daemon
# (unpacked, never installed: it conflicts with pipewire-alsa), load, and
# the program driven under Xvfb.
MEASURE=(
  "${SOUND[@]}" pipewire-pulse libasound2-plugins pulseaudio-utils
  libtdb1 libwrap0 stress-ng procps xvfb xdotool libx11-6 libxtst6 python3
)
# Debian 13 renamed ORC's library for 64-bit time.
orc_library() {
  if apt-cache show liborc-0.4-0t64 >/dev/null 2>&1; then echo liborc-0.4-0t64; else echo liborc-0.4-0; fi
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

case "${1:-}" in
  run) wanted=("${RUN[@]}") ;;
  test)
    wanted=("${RUN[@]}" "${TEST[@]}")
    if installed pulseaudio && ! installed pipewire-alsa; then
      echo "deps.sh: pulseaudio is installed and pipewire-alsa would replace it;" \
        "leaving pipewire-alsa out (the recorded sound check will be skipped)" >&2
    else
      wanted+=("${SOUND_ROUTE[@]}")
    fi
    ;;
  measure)
    wanted=("${MEASURE[@]}" "$(orc_library)")
    if installed pulseaudio && ! installed pipewire-alsa; then
      echo "deps.sh: pulseaudio is installed; the PipeWire routes cannot be measured here" >&2
      exit 1
    fi
    wanted+=("${SOUND_ROUTE[@]}")
    ;;
  *)
    echo "usage: $0 run|test|measure" >&2
    exit 2
    ;;
esac

missing=()
for p in "${wanted[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
# --no-remove: rather fail than take anything away from the user's system.
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
