# Shared by the tests in this folder; each test sources it from the source
# tree's root, as autopkgtest runs them, and tests the installed package.
# The counting of checks is debian/tests/checks.sh's.
# shellcheck shell=bash
# The helpers run through check(), which shellcheck cannot follow, and the
# tests that source this file use its names.
# shellcheck disable=SC2317,SC2034
set -uo pipefail

EXAMPLE=/usr/share/doc/vorlantix/examples/triangle-to-square.vlx
MIME_TYPE=application/x-vorlantix
WORK=${AUTOPKGTEST_TMP:-$(mktemp -d)}
[ -n "${AUTOPKGTEST_TMP:-}" ] || trap 'rm -rf "$WORK"' EXIT

# shellcheck source=debian/tests/checks.sh
. debian/tests/checks.sh

contains() {  # contains FILE TEXT
  grep -qaF -- "$2" "$1" || { echo "'$2' not in $1"; return 1; }
}

png_size_is() {  # png_size_is FILE WIDTH HEIGHT
  local sig ihdr
  sig=$(od -An -tx1 -N8 "$1" | tr -d ' \n')
  [ "$sig" = 89504e470d0a1a0a ] || { echo "not a PNG"; return 1; }
  read -r -a ihdr <<<"$(od -An -tu1 -j16 -N8 "$1")"
  local w=$(((ihdr[0] << 24) | (ihdr[1] << 16) | (ihdr[2] << 8) | ihdr[3]))
  local h=$(((ihdr[4] << 24) | (ihdr[5] << 16) | (ihdr[6] << 8) | ihdr[7]))
  if [ "$w" -ne "$2" ] || [ "$h" -ne "$3" ]; then
    echo "${w}x${h}"
    return 1
  fi
}

same_pixels() {  # same_pixels A B: ImageMagick counts differing pixels
  local diff
  diff=$(compare -metric AE "$1" "$2" null: 2>&1)
  [ "$diff" = 0 ] || { echo "$diff pixels differ"; return 1; }
}

wave_green_pixels() {  # wave_green_pixels FILE [CROP]: pixels in the waveform green
  convert "$1" ${2:+-crop "$2"} txt:- | grep -ci '#00D000'
}

# thumbnail_shows_both_waves PNG: a 128x128 PNG whose upper and lower halves
# each show a wave.
thumbnail_shows_both_waves() {
  png_size_is "$1" 128 128 || return 1
  local top bottom
  top=$(wave_green_pixels "$1" 128x63+0+0)
  bottom=$(wave_green_pixels "$1" 128x63+0+65)
  if [ "$top" -lt 150 ] || [ "$bottom" -lt 150 ]; then
    echo "wave pixels: $top above, $bottom below"
    return 1
  fi
}
