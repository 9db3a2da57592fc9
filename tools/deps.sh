#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need.
# Runs apt-get as root, or through sudo; does nothing when all are present.
set -euo pipefail
PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev libxcb1-dev libasound2-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool x11-apps x11-utils x11-xserver-utils imagemagick
  pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox
  clang libclang-rt-14-dev llvm-14 valgrind
  dpkg-dev desktop-file-utils shared-mime-info libxml2-utils libglib2.0-bin groff-base
  hicolor-icon-theme
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
