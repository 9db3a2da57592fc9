#!/usr/bin/env bash
# Checks the installed layout and the Debian package end to end:
#   tools/package-check.sh BUILD_DIR
# Configures and builds a Release tree in BUILD_DIR (tests off), installs it
# into a scratch prefix, validates the desktop entry, the AppStream metainfo,
# the licence and changelog, the MIME type, the icons and the manual pages,
# builds the .deb with cpack, runs lintian on it and, as root, installs it,
# runs the packaged renderer, removes and purges it and looks for leftovers.
# The thumbnailer entry's Exec line is run as a file manager runs it.
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
MIME_TYPE=application/x-vorlantix
EXAMPLE=$SRC/examples/triangle-to-square.vlx
WAV_BYTES=22860
# Everything an install puts down, relative to the prefix.
FILES=(
  bin/vorlantix
  bin/vorlantix-render
  share/applications/org.example.vorlantix.desktop
  share/doc/vorlantix/changelog.gz
  share/doc/vorlantix/copyright
  share/icons/hicolor/128x128/apps/vorlantix.png
  share/icons/hicolor/32x32/apps/vorlantix.png
  share/icons/hicolor/64x64/apps/vorlantix.png
  share/man/man1/vorlantix-render.1.gz
  share/man/man1/vorlantix.1.gz
  share/metainfo/org.example.vorlantix.metainfo.xml
  share/mime/packages/vorlantix.xml
  share/thumbnailers/vorlantix.thumbnailer
)

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
have() { command -v "$1" >/dev/null 2>&1; }
finish() {
  echo "$PASSED passed, $FAILED failed"
  exit $((FAILED > 0))
}

WORK=$(mktemp -d)
INSTALLED_BY_US=0
cleanup() {
  # An interrupted run must not leave the package on the machine.
  if [ "$INSTALLED_BY_US" -eq 1 ]; then
    dpkg -P vorlantix >/dev/null 2>&1
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# --- helpers that answer with their exit status ----------------------------

same_lines() {  # same_lines EXPECTED_FILE ACTUAL_FILE
  diff -u "$1" "$2"
}

is() {  # is GOT WANT
  [ "$1" = "$2" ] || { echo "got '$1', want '$2'"; return 1; }
}

validates_silently() {  # some errors still exit 0 ("will be fatal in the future")
  local out
  if ! out=$(desktop-file-validate "$1" 2>&1) || [ -n "$out" ]; then
    echo "$out"
    return 1
  fi
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

desktop_key_is() {  # desktop_key_is FILE KEY VALUE
  local got
  got=$(sed -n "s/^$2=//p" "$1")
  [ "$got" = "$3" ] || { echo "$2=$got"; return 1; }
}

man_page_renders() {  # gzip intact, and groff has nothing to warn about
  gzip -t "$1" || return 1
  if have groff; then
    local warnings
    warnings=$(zcat "$1" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || { echo "$warnings"; return 1; }
  fi
}

content_type_is() {  # content_type_is DATA_DIRS FILE TYPE (gio reads shared-mime-info)
  local got
  got=$(XDG_DATA_HOME=$WORK/empty-data-home XDG_DATA_DIRS=$1 \
    gio info -a standard::content-type "$2" | sed -n 's/^ *standard::content-type: //p')
  [ "$got" = "$3" ] || { echo "$(basename "$2"): $got"; return 1; }
}

content_type_is_not() {
  local got
  got=$(XDG_DATA_HOME=$WORK/empty-data-home XDG_DATA_DIRS=$1 \
    gio info -a standard::content-type "$2" | sed -n 's/^ *standard::content-type: //p')
  if [ -z "$got" ] || [ "$got" = "$3" ]; then
    echo "$(basename "$2"): '$got'"
    return 1
  fi
}

renders_example() {  # renders_example RENDERER OUT.wav
  "$1" "$EXAMPLE" "$2" || return 1
  local size riff wave
  size=$(stat -c %s "$2")
  [ "$size" -eq "$WAV_BYTES" ] || { echo "$size bytes"; return 1; }
  riff=$(head -c 4 "$2")
  wave=$(tail -c +9 "$2" | head -c 4)
  [ "$riff$wave" = RIFFWAVE ] || { echo "header '$riff' '$wave'"; return 1; }
}

help_exits_zero() {
  local out
  out=$("$1" --help) || return 1
  grep -q '^usage: vorlantix-render DESIGN.vlx OUT.wav$' <<<"$out"
}

contains() {  # contains FILE TEXT
  grep -qaF -- "$2" "$1" || { echo "'$2' not in $1"; return 1; }
}

lacks() {
  ! grep -qaF -- "$2" "$1" 2>/dev/null || { echo "'$2' still in $1"; return 1; }
}

wave_green_pixels() {  # wave_green_pixels FILE [CROP]: pixels in the waveform green
  convert "$1" ${2:+-crop "$2"} txt:- | grep -ci '#00D000'
}

# thumbnails_example ENTRY BINDIR OUT.png: the entry's Exec line with the
# file manager's substitutions (%s size, %i input, %o output), the renderer
# found on PATH as a file manager finds it; then a 128x128 PNG whose upper
# and lower halves each show a wave.
thumbnails_example() {
  local exec arg argv=()
  exec=$(sed -n 's/^Exec=//p' "$1")
  for arg in $exec; do
    case $arg in
      %s) argv+=(128) ;;
      %i) argv+=("$EXAMPLE") ;;
      %o) argv+=("$3") ;;
      *) argv+=("$arg") ;;
    esac
  done
  PATH="$2:/usr/bin:/bin" "${argv[@]}" || return 1
  png_size_is "$3" 128 128 || return 1
  if have convert; then
    local top bottom
    top=$(wave_green_pixels "$3" 128x63+0+0)
    bottom=$(wave_green_pixels "$3" 128x63+0+65)
    if [ "$top" -lt 150 ] || [ "$bottom" -lt 150 ]; then
      echo "wave pixels: $top above, $bottom below"
      return 1
    fi
  fi
}

# appstreamcli exits 0 on infos; a warning or an error is a failure here.
appstream_clean() {  # appstream_clean validate|validate-tree PATH
  local out
  out=$(appstreamcli "$1" --no-net "$2" 2>&1) || { echo "$out"; return 1; }
  if grep -qE '^ *[EW]: ' <<<"$out"; then
    echo "$out"
    return 1
  fi
}

metainfo_value() {  # metainfo_value FILE XPATH
  xmllint --xpath "string($2)" "$1"
}

# The copyright file is in Debian's machine-readable format and carries the
# very licence text of LICENSE.
copyright_is_dep5_mit() {
  local file=$1
  head -n 1 "$file" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    { echo "first line: $(head -n 1 "$file")"; return 1; }
  grep -qx 'License: Expat' "$file" || { echo "no 'License: Expat'"; return 1; }
  diff <(sed -n '/^Permission is hereby/,$p' "$SRC/LICENSE" | sed '/^$/d') \
    <(sed -n '/^ Permission is hereby/,$p' "$file" | sed 's/^ //; /^\.$/d')
}

changelog_version_is() {  # changelog_version_is CHANGELOG.gz VERSION
  local got
  gzip -t "$1" || return 1
  got=$(zcat "$1" | dpkg-parsechangelog -l - -S Version) || return 1
  is "$got" "$2"
}

# --- Xfce's thumbnail service, tumbler ---------------------------------------
# tumblerd runs the thumbnailer entry's Exec line itself on an output file it
# has created and holds open, then reads the picture back through that
# descriptor. It runs here in a private D-Bus session with a private home and
# XDG folders, sees the install through XDG_DATA_DIRS and PATH, and is asked
# for the example's thumbnail as a file manager asks.

# Where the tumbler package put tumblerd (under the multiarch library folder
# on Debian 12 and 13): the D-Bus service file that starts it says.
tumblerd_path() {
  local service exec
  for service in /usr/share/dbus-1/services/*.service; do
    grep -qx 'Name=org.freedesktop.thumbnails.Thumbnailer1' "$service" 2>/dev/null || continue
    exec=$(sed -n 's/^Exec=//p' "$service")
    [ -x "$exec" ] && { echo "$exec"; return 0; }
  done
  for exec in /usr/lib/*/tumbler-1/tumblerd /usr/libexec/tumbler-1/tumblerd; do
    [ -x "$exec" ] && { echo "$exec"; return 0; }
  done
  return 1
}

# Run inside the private session: $1 tumblerd, $2 the design's URI, $3 the
# thumbnail expected in the cache, $4 the folder for logs.
# shellcheck disable=SC2016
TUMBLER_SESSION='
  "$1" >"$4/tumblerd.log" 2>&1 &
  tumblerd=$!
  trap "kill \$tumblerd \${monitor:-} 2>/dev/null" EXIT
  for _ in $(seq 100); do
    gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
      --method org.freedesktop.DBus.NameHasOwner org.freedesktop.thumbnails.Thumbnailer1 |
      grep -q true && break
    sleep 0.1
  done
  # The service signals only to the caller, which is gone by then; a monitor
  # sees them all.
  dbus-monitor --session "type=signal,interface=org.freedesktop.thumbnails.Thumbnailer1" \
    >"$4/signals.log" 2>&1 &
  monitor=$!
  gdbus call --session --dest org.freedesktop.thumbnails.Thumbnailer1 \
    --object-path /org/freedesktop/thumbnails/Thumbnailer1 \
    --method org.freedesktop.thumbnails.Thumbnailer1.Queue \
    "[\"$2\"]" "[\"application/x-vorlantix\"]" normal default 0 >/dev/null || exit 1
  for _ in $(seq 300); do
    [ -s "$3" ] && exit 0
    if grep -q "member=Finished" "$4/signals.log"; then
      sleep 0.5
      [ -s "$3" ] && exit 0
      echo "finished without $3:"
      sed -n "/member=Error/,/member=Finished/p" "$4/signals.log"
      exit 1
    fi
    sleep 0.1
  done
  echo "no $3 after 30 s"
  exit 1
'

# A session bus that starts no service on demand, so the tumblerd started
# above is the one that answers.
TUMBLER_BUS='<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>'

# tumbler_thumbnails PREFIX: the cache holds a 128x128 PNG for the example,
# named after the MD5 of its URI.
tumbler_thumbnails() {
  local tumblerd dir=$WORK/tumbler uri thumbnail
  tumblerd=$(tumblerd_path) || { echo "tumblerd not found (Debian package tumbler)"; return 1; }
  rm -rf "$dir"
  mkdir -p "$dir/home" "$dir/runtime" "$dir/logs"
  chmod 700 "$dir/runtime"
  cp "$EXAMPLE" "$dir/home/design.vlx"
  printf '%s\n' "$TUMBLER_BUS" >"$dir/bus.conf"
  uri=file://$dir/home/design.vlx
  thumbnail=$dir/home/.cache/thumbnails/normal/$(printf %s "$uri" | md5sum | cut -d' ' -f1).png
  if ! env -i HOME="$dir/home" PATH="$1/bin:/usr/bin:/bin" LANG=C.UTF-8 \
    XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config" \
    XDG_CACHE_HOME="$dir/home/.cache" XDG_DATA_HOME="$dir/home/.local/share" \
    XDG_DATA_DIRS="$1/share:/usr/share" XDG_CONFIG_DIRS=/etc/xdg \
    dbus-run-session --config-file="$dir/bus.conf" -- \
    bash -c "$TUMBLER_SESSION" tumbler "$tumblerd" "$uri" "$thumbnail" "$dir/logs"; then
    sed 's/^/tumblerd: /' "$dir/logs/tumblerd.log"
    return 1
  fi
  png_size_is "$thumbnail" 128 128
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

echo "== desktop entry"
DESKTOP=$PREFIX/share/applications/org.example.vorlantix.desktop
if have desktop-file-validate; then
  check "desktop-file-validate has nothing to report" validates_silently "$DESKTOP"
else
  fail "desktop-file-validate" "not installed (Debian package desktop-file-utils)"
fi
check "desktop entry Name" desktop_key_is "$DESKTOP" Name Vorlantix
check "desktop entry Exec starts the installed program with the file" \
  desktop_key_is "$DESKTOP" Exec 'vorlantix %f'
check "desktop entry Icon names the installed icon" desktop_key_is "$DESKTOP" Icon vorlantix
check "desktop entry Categories" desktop_key_is "$DESKTOP" Categories 'AudioVideo;Audio;'
# A file manager offers the program for designs and opens them with it.
check "desktop entry claims the design type" desktop_key_is "$DESKTOP" MimeType "$MIME_TYPE;"

echo "== thumbnailer"
THUMBNAILER=$PREFIX/share/thumbnailers/vorlantix.thumbnailer
check "thumbnailer Exec" desktop_key_is "$THUMBNAILER" Exec 'vorlantix-render --thumbnail %s %i %o'
check "thumbnailer MimeType" desktop_key_is "$THUMBNAILER" MimeType "$MIME_TYPE;"
check "thumbnailer TryExec" desktop_key_is "$THUMBNAILER" TryExec vorlantix-render
check "the thumbnailer's Exec line draws both waves of the example in 128x128" \
  thumbnails_example "$THUMBNAILER" "$PREFIX/bin" "$WORK/thumbnail.png"

echo "== software centres (AppStream)"
METAINFO=$PREFIX/share/metainfo/org.example.vorlantix.metainfo.xml
if have appstreamcli && have xmllint; then
  check "appstreamcli validate --no-net has no warning" appstream_clean validate "$METAINFO"
  check "appstreamcli validate-tree --no-net of the install has no warning" \
    appstream_clean validate-tree "$PREFIX"
  check "the component id is the desktop entry's name" \
    is "$(metainfo_value "$METAINFO" /component/id).desktop" "$(basename "$DESKTOP")"
  check "the component launches the desktop entry" \
    is "$(metainfo_value "$METAINFO" '/component/launchable[@type="desktop-id"]')" "$(basename "$DESKTOP")"
  check "the component opens the design type" \
    is "$(metainfo_value "$METAINFO" /component/provides/mediatype)" "$MIME_TYPE"
  check "the component's project licence is MIT" \
    is "$(metainfo_value "$METAINFO" /component/project_license)" MIT
  check "the component has a screenshot" \
    test -n "$(metainfo_value "$METAINFO" '/component/screenshots/screenshot[@type="default"]/image')"
  check "the component's newest release is this version" \
    is "$(metainfo_value "$METAINFO" '/component/releases/release[1]/@version')" \
    "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")"
else
  fail "appstreamcli and xmllint" "not installed (Debian packages appstream, libxml2-utils)"
fi

echo "== licence and changelog"
check "copyright is machine-readable and carries LICENSE" \
  copyright_is_dep5_mit "$PREFIX/share/doc/vorlantix/copyright"
check "changelog.gz is a Debian changelog of this version" \
  changelog_version_is "$PREFIX/share/doc/vorlantix/changelog.gz" \
  "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")"

echo "== tumbler"
check "tumbler, asked over D-Bus, caches the example's 128x128 thumbnail" \
  tumbler_thumbnails "$PREFIX"

echo "== icons"
for size in 32 64 128; do
  check "${size}x${size} icon is a ${size}x${size} PNG" \
    png_size_is "$PREFIX/share/icons/hicolor/${size}x${size}/apps/vorlantix.png" "$size" "$size"
done
if have compare && have convert; then
  ICONS=$PREFIX/share/icons/hicolor
  # A stale PNG shows up here when the generator redraws the icon.
  check "32x32 icon has the pixels of resources/bitmaps/Icon.bmp" \
    same_pixels "$SRC/resources/bitmaps/Icon.bmp" "$ICONS/32x32/apps/vorlantix.png"
  for size in 64 128; do
    convert "$ICONS/${size}x${size}/apps/vorlantix.png" -sample 32x32 "$WORK/down-$size.png"
    check "${size}x${size} icon is the 32x32 icon enlarged without smoothing" \
      same_pixels "$ICONS/32x32/apps/vorlantix.png" "$WORK/down-$size.png"
  done
else
  echo "skip  icon pixels: ImageMagick not installed"
fi

echo "== manual pages"
for page in vorlantix vorlantix-render; do
  check "$page.1.gz renders without warnings" man_page_renders "$PREFIX/share/man/man1/$page.1.gz"
done

echo "== MIME type"
MIME_XML=$PREFIX/share/mime/packages/vorlantix.xml
if have xmllint; then
  check "MIME XML is well-formed" xmllint --noout "$MIME_XML"
else
  echo "skip  xmllint: not installed (Debian package libxml2-utils)"
fi
MIME_DATA=$WORK/mime-data
mkdir -p "$MIME_DATA/mime/packages" "$WORK/empty-data-home" "$WORK/samples"
cp "$MIME_XML" "$MIME_DATA/mime/packages/"
if have update-mime-database; then
  check "update-mime-database accepts the MIME XML" update-mime-database "$MIME_DATA/mime"
  check "MIME glob *.vlx" contains "$MIME_DATA/mime/globs2" "$MIME_TYPE:*.vlx"
  check "MIME comment" contains "$MIME_XML" "<comment>Vorlantix design</comment>"
  cp "$EXAMPLE" "$WORK/samples/design.vlx"
  cp "$EXAMPLE" "$WORK/samples/design-without-extension"
  printf 'VLXA\001\000' >"$WORK/samples/not-quite"
  if have gio; then
    DIRS=$MIME_DATA:/usr/share
    check "a .vlx file is $MIME_TYPE" content_type_is "$DIRS" "$WORK/samples/design.vlx" "$MIME_TYPE"
    check "a design without extension is recognised by its magic" \
      content_type_is "$DIRS" "$WORK/samples/design-without-extension" "$MIME_TYPE"
    check "the magic needs the blank after VLX" \
      content_type_is_not "$DIRS" "$WORK/samples/not-quite" "$MIME_TYPE"
  else
    echo "skip  content-type queries: gio not installed (Debian package libglib2.0-bin)"
  fi
else
  fail "update-mime-database" "not installed (Debian package shared-mime-info)"
fi
check "desktop entry's MIME type is the one defined" contains "$MIME_XML" "type=\"$MIME_TYPE\""

# --- the Debian package ----------------------------------------------------

echo "== Debian package"
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
ARCH=$(dpkg --print-architecture)
DEB=$BUILD/vorlantix_${VERSION}_${ARCH}.deb
rm -f "$BUILD"/vorlantix_*.deb
if ! (cd "$BUILD" && cpack -G DEB) >"$WORK/cpack.log" 2>&1; then
  fail "cpack -G DEB" "see below"
  tail -20 "$WORK/cpack.log"
  finish
fi
check "cpack made $(basename "$DEB")" test -f "$DEB"
if [ ! -f "$DEB" ]; then
  finish
fi
field() { dpkg-deb -f "$DEB" "$1"; }
check "package name" is "$(field Package)" vorlantix
check "package version" is "$(field Version)" "$VERSION"
check "package architecture" is "$(field Architecture)" "$ARCH"
check "package maintainer" is "$(field Maintainer)" "Vorlantix team <team@vorlantix.example.org>"
check "package section" is "$(field Section)" sound
check "package has a description" test -n "$(field Description | sed -n 2p)"
# dpkg-shlibdeps found the libraries the programs link.
field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' >"$WORK/depends"
# Debian 13 renamed some libraries for 64-bit time (libasound2t64, ...).
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libasound2 libxcb1 libsoxr0 libstdc++6 libc6; do
  check "Depends names $lib" grep -qxE "${lib//+/\\+}(t64)?" "$WORK/depends"
done
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort >"$WORK/packaged"
check "package holds exactly the installed files under /usr" same_lines "$WORK/expected" "$WORK/packaged"
check "package has no maintainer scripts" \
  is "$(dpkg-deb --ctrl-tarfile "$DEB" | tar -t | grep -E 'inst$|rm$')" ""
if have lintian; then
  # Errors and warnings fail; informational tags are shown and explained in
  # the README.
  check "lintian finds no error and no warning" lintian --fail-on error,warning "$DEB"
  lintian -I "$DEB" 2>/dev/null | sed 's/^/      /'
else
  fail "lintian" "not installed (Debian package lintian)"
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "skip  dpkg -i / dpkg -r: needs root"
  finish
fi
if dpkg-query -W -f='${Status}' vorlantix 2>/dev/null | grep -q "ok installed"; then
  echo "skip  dpkg -i / dpkg -r: a vorlantix package is installed already; not touching it"
  finish
fi

echo "== dpkg -i"
if dpkg -i "$DEB" >"$WORK/dpkg-i.log" 2>&1; then
  INSTALLED_BY_US=1
  pass "dpkg -i"
else
  INSTALLED_BY_US=1
  fail "dpkg -i" "see below"
  tail -20 "$WORK/dpkg-i.log"
fi
dpkg -L vorlantix 2>/dev/null | sort >"$WORK/listed"
missing=()
for f in "${FILES[@]}"; do
  grep -qFx "/usr/$f" "$WORK/listed" && [ -e "/usr/$f" ] || missing+=("/usr/$f")
done
check "dpkg -L lists every file and each is on disk" test ${#missing[@]} -eq 0
[ ${#missing[@]} -eq 0 ] || printf '      missing: %s\n' "${missing[@]}"
check "/usr/bin/vorlantix-render --help exits 0" help_exits_zero /usr/bin/vorlantix-render
check "/usr/bin/vorlantix-render renders the example to $WAV_BYTES bytes" \
  renders_example /usr/bin/vorlantix-render "$WORK/packaged.wav"
"$BUILD/bin/vorlantix-render" "$EXAMPLE" "$WORK/built.wav" >/dev/null 2>&1
check "the packaged renderer writes the same bytes as the built one" \
  cmp "$WORK/packaged.wav" "$WORK/built.wav"
check "the packaged thumbnailer entry's Exec line draws the same thumbnail" \
  thumbnails_example /usr/share/thumbnailers/vorlantix.thumbnailer /usr/bin "$WORK/packaged.png"
check "the packaged thumbnail has the same bytes as the scratch install's" \
  cmp "$WORK/packaged.png" "$WORK/thumbnail.png"
# The triggers of the database owners, not scripts of ours, register the files.
if have update-mime-database; then
  check "shared-mime-info trigger registered the type" contains /usr/share/mime/globs2 "$MIME_TYPE:*.vlx"
  if have gio; then
    check "the system MIME database knows a design by its magic" \
      content_type_is /usr/share "$WORK/samples/design-without-extension" "$MIME_TYPE"
  fi
fi
if have update-desktop-database; then
  check "the desktop database offers the program for designs" \
    contains /usr/share/applications/mimeinfo.cache "$MIME_TYPE=org.example.vorlantix.desktop;"
fi
if [ -f /usr/share/icons/hicolor/icon-theme.cache ] && have gtk-update-icon-cache; then
  check "hicolor-icon-theme trigger cached the icon" grep -qa vorlantix /usr/share/icons/hicolor/icon-theme.cache
fi

echo "== dpkg -r and dpkg -P"
check "dpkg -r vorlantix" dpkg -r vorlantix
check "dpkg -P vorlantix" dpkg -P vorlantix
INSTALLED_BY_US=0
check "dpkg no longer knows vorlantix" \
  is "$(dpkg-query -W -f='${Status}' vorlantix 2>/dev/null | grep -v not-installed)" ""
check "no installed file remains" none_exist "${FILES[@]/#//usr/}"
if have update-mime-database; then
  check "the type left the MIME database" lacks /usr/share/mime/globs2 "$MIME_TYPE"
fi
if [ -f /usr/share/icons/hicolor/icon-theme.cache ] && have gtk-update-icon-cache; then
  check "the icon left the icon cache" lacks /usr/share/icons/hicolor/icon-theme.cache vorlantix
fi
finish
