#!/usr/bin/env bash
# Drives the real program on a private Xvfb with real pointer events and
# checks what it draws from screenshots of its window.
#
#   tools/e2e.sh BUILD_DIR
#
# Prints one PASS/FAIL line per check and then "N passed, M failed"; exits 0
# only when every check passed, 77 when a needed X tool is missing.
# Environment (all optional):
#   VLX_E2E_WRAPPER   command put in front of the program (tools/valgrind-e2e.sh)
#   VLX_E2E_TIMEOUT   limit for the whole run in seconds (default 120)
#   VLX_E2E_WAIT      limit for one awaited condition in seconds (default 20)
#   VLX_E2E_KEEP      directory that receives the logs and screenshots
set -uo pipefail

readonly SKIP=77
START_NS=$(date +%s%N)
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SOURCE_DIR="$(dirname "$HERE")"

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
BUILD_DIR="$(cd "$1" 2>/dev/null && pwd)" || { echo "FAIL: build directory $1 not found"; echo "0 passed, 1 failed"; exit 1; }
readonly PROGRAM="$BUILD_DIR/bin/vorlantix"
readonly TIMEOUT="${VLX_E2E_TIMEOUT:-120}"
readonly WAIT="${VLX_E2E_WAIT:-20}"
read -r -a WRAPPER <<<"${VLX_E2E_WRAPPER:-}"

for tool in Xvfb xdotool xwd xwininfo xprop xrdb convert od md5sum timeout python3 mkfifo; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (Debian packages: xvfb xdotool x11-apps x11-utils x11-xserver-utils imagemagick python3)"
    exit $SKIP
  fi
done

PASSED=0
FAILED=0
pass() { echo "PASS: $1"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL: $1${2:+ -- $2}"; FAILED=$((FAILED + 1)); }

elapsed() {
  local ns=$(($(date +%s%N) - START_NS))
  printf '%d.%02d' $((ns / 1000000000)) $((ns % 1000000000 / 10000000))
}

summary() {
  [ "$FAILED" -gt 0 ] && [ -z "${VLX_E2E_KEEP:-}" ] && echo "Logs and screenshots kept in $WORK"
  echo "Total time: $(elapsed) s"
  echo "$PASSED passed, $FAILED failed"
}

WORK="$(mktemp -d "${TMPDIR:-/tmp}/vlx-e2e.XXXXXX")"
XVFB_PID=""
APP_PID=""
APP_STATUS=""
WATCHDOG_PID=""

stop_pid() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for i in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
}

cleanup() {
  [ -n "$WATCHDOG_PID" ] && kill "$WATCHDOG_PID" 2>/dev/null
  stop_pid "$APP_PID"
  stop_pid "$XVFB_PID"
  if [ -n "${VLX_E2E_KEEP:-}" ]; then
    mkdir -p "$VLX_E2E_KEEP" && cp -r "$WORK"/. "$VLX_E2E_KEEP"/
  fi
  if [ "$FAILED" -eq 0 ] || [ -n "${VLX_E2E_KEEP:-}" ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT
# Killed from outside (a CTest timeout, ^C): still take the servers down.
trap 'exit 143' TERM
trap 'exit 130' INT
trap 'exit 129' HUP

on_timeout() {
  fail "the whole run finished within ${TIMEOUT} s" "time limit reached"
  summary
  exit 1
}
trap on_timeout USR1
(
  sleep "$TIMEOUT" &
  sleeper=$!
  trap 'kill $sleeper 2>/dev/null; exit 0' TERM
  wait "$sleeper" && kill -USR1 $$ 2>/dev/null
) &
WATCHDOG_PID=$!

# Every X client call is bounded; a dead server must not hang the run.
xrun() { timeout 10 "$@"; }

# Polls COMMAND every 0.1 s until it succeeds, for at most SECONDS.
await() {
  local seconds=$1 tries
  shift
  tries=$((seconds * 10))
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    app_running || return 1
    sleep 0.1
    tries=$((tries - 1))
  done
  "$@"
}

app_running() {
  [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null
}

# True once the program has ended, within WAIT seconds.
await_exit() {
  local tries=$((WAIT * 10))
  while app_running && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  ! app_running
}

# --- X server -------------------------------------------------------------

start_xvfb() {
  # -displayfd lets the server pick a free display number and tell us;
  # -noreset keeps it from resetting, and refusing connections meanwhile,
  # each time its last client (the readiness probe below) disconnects.
  : >"$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  local tries=100 n=""
  while [ "$tries" -gt 0 ]; do
    read -r n <"$WORK/display" 2>/dev/null
    [[ "$n" =~ ^[0-9]+$ ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
    tries=$((tries - 1))
  done
  [[ "$n" =~ ^[0-9]+$ ]] || return 1
  export DISPLAY=":$n"
  xrun xwininfo -root >/dev/null 2>&1
}

# --- The program ----------------------------------------------------------

# Starts the program with the given arguments, and with SESSION_ENV
# (NAME=VALUE words) added to its environment.
SESSION_ENV=()
start_program() {
  mkdir -p "$WORK/home" "$WORK/config" "$WORK/runtime" "$WORK/tmp"
  chmod 700 "$WORK/runtime"
  # A clean environment: nothing of the caller's desktop, settings or
  # temporary files may reach the program.
  env -i PATH="$PATH" HOME="$WORK/home" LANG=C.UTF-8 DISPLAY="$DISPLAY" \
    XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime" TMPDIR="$WORK/tmp" \
    QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}" \
    LSAN_OPTIONS="suppressions=$SOURCE_DIR/tests/e2e/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0" \
    "${SESSION_ENV[@]}" "${WRAPPER[@]}" "$PROGRAM" "$@" >"$WORK/program.out" 2>"$WORK/program.err" &
  APP_PID=$!
}

WID=""
WIN_X=0
WIN_Y=0
WIN_W=0
WIN_H=0

find_window() {
  local ids
  ids=$(xrun xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null) || return 1
  WID=$(head -n1 <<<"$ids")
  [ -n "$WID" ]
}

read_geometry() {
  local info
  info=$(xrun xwininfo -id "$WID" 2>/dev/null) || return 1
  WIN_X=$(awk -F: '/Absolute upper-left X/ {print $2 + 0}' <<<"$info")
  WIN_Y=$(awk -F: '/Absolute upper-left Y/ {print $2 + 0}' <<<"$info")
  WIN_W=$(awk -F: '/Width/ {print $2 + 0}' <<<"$info")
  WIN_H=$(awk -F: '/Height/ {print $2 + 0}' <<<"$info")
  [ -n "$WIN_X" ] && [ -n "$WIN_W" ]
}

# The About dialog, once open_about has found it.
ABOUT_WID=""
find_about() {
  ABOUT_WID=$(xrun xdotool search --all --onlyvisible --pid "$APP_PID" --name '^About Vorlantix$' 2>/dev/null |
    head -n1)
  [ -n "$ABOUT_WID" ]
}
about_gone() { ! find_about; }

# The popup menu is the program's second visible window.
menu_open() { [ "$(xrun xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l)" -ge 2 ]; }

# Opens About from the menu of a window shown at the whole factor SCALE: the
# menu button, then the menu's last item from the keyboard.
open_about() {
  local scale=$1
  click_at $((scale * (9 + 8))) $((scale * (139 + 8))) || return 1
  await "$WAIT" menu_open || return 1
  xrun xdotool key Up Return || return 1
  await "$WAIT" find_about
}

close_about() {
  if [ -z "$ABOUT_WID" ]; then
    fail "$1 About closes" "it never opened"
  elif wm_close "$ABOUT_WID" && await "$WAIT" about_gone; then
    pass "$1 About closes when asked as a window manager asks"
  else
    fail "$1 About closes when asked as a window manager asks" "still shown"
  fi
}

# Asks window WID to close as a window manager's close button does
# (WM_DELETE_WINDOW); the test server has no window manager to do it.
wm_close() {
  python3 - "$1" <<'PYTHON'
import ctypes
import sys

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]


display = x.XOpenDisplay(None)
if not display:
    sys.exit(1)
event = Event()
event.message.type = 33  # ClientMessage
event.message.window = int(sys.argv[1], 0)
event.message.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.message.format = 32
event.message.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
sent = x.XSendEvent(display, event.message.window, 0, 0, ctypes.byref(event))
x.XFlush(display)
x.XCloseDisplay(display)
sys.exit(0 if sent else 1)
PYTHON
}

# Writes the About dialog's area WxH+X+Y as raw RGB into NAME.rgb,
# enlarged by the whole FACTOR if one is given.
about_area() {
  local name=$1 area=$2 factor=${3:-1}
  xrun xwd -silent -id "$ABOUT_WID" >"$WORK/$name.xwd" 2>/dev/null || return 1
  xrun convert "xwd:$WORK/$name.xwd" -crop "$area" +repage -scale "$((factor * 100))%" \
    -depth 8 "rgb:$WORK/$name.rgb" 2>/dev/null
}

# Succeeds when the About dialog shows, in its area AREA, the 1x dialog's
# icon enlarged twice (about-1x-doubled.rgb); it is drawn a moment after the
# dialog maps.
icon_doubled() {
  about_area about-now "$1" && cmp -s "$WORK/about-now.rgb" "$WORK/about-1x-doubled.rgb"
}

# --- Screenshots and pixels -----------------------------------------------

# Takes a screenshot of the window as SHOT.xwd and raw RGB SHOT.rgb.
shot() {
  local name=$1
  xrun xwd -silent -id "$WID" >"$WORK/$name.xwd" 2>/dev/null || return 1
  xrun convert "xwd:$WORK/$name.xwd" -depth 8 "rgb:$WORK/$name.rgb" 2>/dev/null || return 1
  [ "$(stat -c %s "$WORK/$name.rgb")" -eq $((WIN_W * WIN_H * 3)) ]
}

# Colour of window pixel (X, Y) in SHOT as rrggbb.
pixel() {
  local name=$1 px=$2 py=$3
  od -An -tx1 -j $(((py * WIN_W + px) * 3)) -N3 "$WORK/$name.rgb" | tr -d ' \n'
}

# Both display boxes share one mapping from the model; only their origins differ.
readonly BOX_LEFT=(23 23)
readonly BOX_TOP=(33 202)
box_pixel() {
  local name=$1 box=$2 bx=$3 by=$4
  pixel "$name" $((BOX_LEFT[box] + bx)) $((BOX_TOP[box] + by))
}

# MD5 of one box's area, to tell whether anything in it changed.
box_hash() {
  local name=$1 box=$2 w=(313 312) h=(61 63)
  convert "xwd:$WORK/$name.xwd" -crop "${w[box]}x${h[box]}+${BOX_LEFT[box]}+${BOX_TOP[box]}" \
    +repage -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}

readonly LINE=00d000
readonly MARKER=00ff00

# Box pixels of the line's point at model position X and level Y.
line_x() { echo $(($1 + 2)); }
line_y() { echo $((29 - $1)); }

# The 16 outline pixels of the marker of a node at whole-number X and Y.
marker_outline() {
  local left=$1 top=$((27 - $2)) c r
  for ((c = left; c <= left + 4; c++)); do printf '%d %d\n' "$c" "$top" "$c" $((top + 4)); done
  for ((r = top + 1; r < top + 4; r++)); do printf '%d %d\n' "$left" "$r" $((left + 4)) "$r"; done
}

# Succeeds when every outline pixel of the marker at (X, Y) in BOX has the
# marker colour; otherwise names the first one that has not in MISMATCH.
MISMATCH=""
marker_at() {
  local name=$1 box=$2 mx=$3 my=$4 bx by colour
  while read -r bx by; do
    colour=$(box_pixel "$name" "$box" "$bx" "$by")
    if [ "$colour" != "$MARKER" ]; then
      MISMATCH="box $box pixel ($bx,$by) is #$colour"
      return 1
    fi
  done < <(marker_outline "$mx" "$my")
}

# Succeeds when no outline pixel of a marker at (X, Y) has the marker colour.
marker_gone() {
  local name=$1 box=$2 mx=$3 my=$4 bx by
  while read -r bx by; do
    if [ "$(box_pixel "$name" "$box" "$bx" "$by")" = "$MARKER" ]; then
      MISMATCH="box $box pixel ($bx,$by) still has the marker colour"
      return 1
    fi
  done < <(marker_outline "$mx" "$my")
}

# Succeeds when every listed model point (X Y pairs) of BOX is drawn in the line colour.
line_through() {
  local name=$1 box=$2 colour
  shift 2
  while [ $# -ge 2 ]; do
    colour=$(box_pixel "$name" "$box" "$(line_x "$1")" "$(line_y "$2")")
    if [ "$colour" != "$LINE" ]; then
      MISMATCH="box $box pixel ($(line_x "$1"),$(line_y "$2")) is #$colour"
      return 1
    fi
    shift 2
  done
}

# --- Pointer --------------------------------------------------------------

# Window coordinates to screen coordinates, from the last geometry read.
pointer_to() { xrun xdotool mousemove "$((WIN_X + $1))" "$((WIN_Y + $2))"; }

click_at() {
  pointer_to "$1" "$2" && xrun xdotool mousedown 1 && sleep 0.05 && xrun xdotool mouseup 1
}

# Presses at window point (X, Y), moves by (DX, DY) in STEPS equal steps, releases.
drag() {
  local px=$1 py=$2 dx=$3 dy=$4 steps=$5 i
  pointer_to "$px" "$py" || return 1
  xrun xdotool mousedown 1 || return 1
  for ((i = 1; i <= steps; i++)); do
    sleep 0.03
    xrun xdotool mousemove "$((WIN_X + px + dx * i / steps))" "$((WIN_Y + py + dy * i / steps))" || return 1
  done
  sleep 0.05
  xrun xdotool mouseup 1
}

# --- The session ----------------------------------------------------------

# Abandons the run: the remaining checks cannot be made without what failed.
abandon() {
  fail "$1" "${2:-}"
  echo "Stopping: the remaining checks depend on this one."
  summary
  exit 1
}

[ -x "$PROGRAM" ] || abandon "program $PROGRAM exists" "not found or not executable"
start_xvfb || abandon "Xvfb started" "see $WORK/xvfb.log"
echo "Xvfb on display $DISPLAY"
start_program

if await "$WAIT" find_window && read_geometry; then
  pass "the window appears (id $WID)"
elif app_running; then
  abandon "the window appears within $WAIT s" "no visible window of process $APP_PID"
else
  wait "$APP_PID"
  status=$?
  APP_PID=""
  tail -n 20 "$WORK/program.err"
  abandon "the window appears" "the program ended first, with status $status"
fi

hints=$(xrun xprop -id "$WID" _MOTIF_WM_HINTS 2>/dev/null)
# flags, functions, decorations, ...: the decorations field counts only when flag 2 is set.
if [[ "$hints" =~ =\ *([0-9a-fx]+),\ *([0-9a-fx]+),\ *([0-9a-fx]+) ]] &&
  (( (BASH_REMATCH[1] & 2) != 0 && BASH_REMATCH[3] == 0 )); then
  pass "the window asks for no decorations ($hints)"
else
  fail "the window asks for no decorations" "${hints:-no _MOTIF_WM_HINTS}"
fi

if [ "$WIN_W" -eq 350 ] && [ "$WIN_H" -eq 280 ]; then
  pass "the window is 350 x 280"
else
  abandon "the window is 350 x 280" "it is $WIN_W x $WIN_H"
fi

readonly CENTRE_X=$(((1024 - 350) / 2)) CENTRE_Y=$(((768 - 280) / 2))
if [ "$WIN_X" -eq "$CENTRE_X" ] && [ "$WIN_Y" -eq "$CENTRE_Y" ]; then
  pass "the window is centred at ($CENTRE_X,$CENTRE_Y)"
else
  fail "the window is centred at ($CENTRE_X,$CENTRE_Y)" "it is at ($WIN_X,$WIN_Y)"
fi

# The default design: a triangle through these model points, node 1 selected.
readonly DEFAULT_POINTS=(0 0 75 27 150 0 225 -27)
default_drawn() {
  shot now && line_through now 0 "${DEFAULT_POINTS[@]}" && line_through now 1 "${DEFAULT_POINTS[@]}"
}
await "$WAIT" default_drawn
for box in 0 1; do
  if line_through now "$box" "${DEFAULT_POINTS[@]}"; then
    pass "box $box shows the default triangle"
  else
    fail "box $box shows the default triangle" "$MISMATCH"
  fi
done
for box in 0 1; do
  if marker_at now "$box" 0 0; then
    pass "box $box marks node 1 at (0,0)"
  else
    fail "box $box marks node 1 at (0,0)" "$MISMATCH"
  fi
done
cp "$WORK/now.xwd" "$WORK/before-knob.xwd"

# The upper level knob sweeps its 54 levels over 50 pixels of vertical drag.
readonly KNOB_DRAG=10
readonly LEVEL=$((54 * KNOB_DRAG / 50))
level_moved() {
  shot now && line_through now 0 0 "$LEVEL" && marker_at now 0 0 "$LEVEL"
}
drag $((164 + 11)) $((114 + 11)) 0 "-$KNOB_DRAG" "$KNOB_DRAG" || abandon "dragging the upper level knob" "xdotool failed"
if await "$WAIT" level_moved; then
  cp "$WORK/now.xwd" "$WORK/after-knob.xwd"
  start=$(box_pixel now 0 2 29)
  if [ "$start" != "$LINE" ]; then
    pass "dragging the upper level knob up $KNOB_DRAG px raises wave 0's start to level $LEVEL"
  else
    fail "dragging the upper level knob moves wave 0's start" "box 0 pixel (2,29) still has the line colour"
  fi
else
  fail "dragging the upper level knob up $KNOB_DRAG px raises wave 0's start to level $LEVEL" "$MISMATCH"
fi
if [ "$(box_hash before-knob 1)" = "$(box_hash now 1)" ]; then
  pass "the upper level knob leaves box 1 unchanged"
else
  fail "the upper level knob leaves box 1 unchanged" "box 1 differs from before the drag"
fi

# Add puts node 2 halfway between node 1 and the next node (75,27), made whole.
# Bash division truncates toward zero, as the program does.
readonly NODE2_X=$(((0 + 75) / 2))
readonly NODE2_Y0=$(((LEVEL + 27) / 2)) NODE2_Y1=$(((0 + 27) / 2))
node2_marked() {
  shot now && marker_at now 0 "$NODE2_X" "$NODE2_Y0" && marker_at now 1 "$NODE2_X" "$NODE2_Y1"
}
click_at $((53 + 11)) $((141 + 6)) || abandon "clicking Add" "xdotool failed"
if await "$WAIT" node2_marked && marker_gone now 0 0 "$LEVEL" && marker_gone now 1 0 0; then
  pass "Add selects the new node 2 at ($NODE2_X,$NODE2_Y0) and ($NODE2_X,$NODE2_Y1)"
else
  fail "Add selects the new node 2 at ($NODE2_X,$NODE2_Y0) and ($NODE2_X,$NODE2_Y1)" "$MISMATCH"
fi

# Right steps to node 3, the default design's former node 2.
node3_marked() { shot now && marker_at now 0 75 27 && marker_at now 1 75 27; }
click_at $((99 + 11)) $((141 + 6)) || abandon "clicking Right" "xdotool failed"
if await "$WAIT" node3_marked && marker_gone now 0 "$NODE2_X" "$NODE2_Y0" &&
  marker_gone now 1 "$NODE2_X" "$NODE2_Y1"; then
  pass "Right selects node 3 at (75,27) in both boxes"
else
  fail "Right selects node 3 at (75,27) in both boxes" "$MISMATCH"
fi

# The caption strip drags the window by exactly the pointer's travel.
readonly MOVE_X=40 MOVE_Y=25
old_x=$WIN_X old_y=$WIN_Y
moved() { read_geometry && [ "$WIN_X" -eq $((old_x + MOVE_X)) ] && [ "$WIN_Y" -eq $((old_y + MOVE_Y)) ]; }
drag 150 8 "$MOVE_X" "$MOVE_Y" 8 || abandon "dragging the caption" "xdotool failed"
if await "$WAIT" moved; then
  pass "the caption drag moves the window by ($MOVE_X,$MOVE_Y) to ($WIN_X,$WIN_Y)"
else
  fail "the caption drag moves the window by ($MOVE_X,$MOVE_Y)" \
    "it moved by ($((WIN_X - old_x)),$((WIN_Y - old_y)))"
fi

# About, from the menu: at 1x the dialog shows the icon's own pixels at
# (8,8), kept here for the scaled sessions below.
readonly ICON_1X="32x32+8+8"
convert "$SOURCE_DIR/resources/bitmaps/Icon.bmp" -depth 8 "rgb:$WORK/icon.rgb" 2>/dev/null
icon_drawn() { about_area about-1x "$ICON_1X" && cmp -s "$WORK/about-1x.rgb" "$WORK/icon.rgb"; }
if ! open_about 1; then
  fail "the menu's About opens the About dialog" "no visible 'About Vorlantix' window"
elif await "$WAIT" icon_drawn; then
  pass "the About dialog (id $ABOUT_WID) shows the application icon at ($ICON_1X)"
else
  fail "the About dialog shows the application icon at ($ICON_1X)" "see about-1x.xwd"
fi
about_area about-1x-doubled "$ICON_1X" 2
close_about "at 1x"

# The close button ends the program; nothing is asked.
read_geometry
click_at $((335 + 5)) $((4 + 5)) || abandon "clicking the close button" "xdotool failed"
if ! await_exit; then
  fail "the close button ends the program" "still running after $WAIT s"
else
  wait "$APP_PID"
  APP_STATUS=$?
  APP_PID=""
  if [ "$APP_STATUS" -eq 0 ]; then
    pass "the close button ends the program with exit status 0"
  else
    fail "the close button ends the program with exit status 0" "status $APP_STATUS"
  fi
fi

# --- A desktop at twice the usual dots per inch ----------------------------

# The window shows the same picture with every pixel a 2 x 2 block, and the
# pointer still counts in its own pixels.
stop_pid "$APP_PID"
APP_PID=""
mv "$WORK/program.err" "$WORK/program-1x.err"
echo "Xft.dpi: 192" | xrun xrdb -merge || abandon "setting Xft.dpi 192" "xrdb failed"
start_program
if await "$WAIT" find_window && read_geometry; then
  pass "the window appears at Xft.dpi 192 (id $WID)"
else
  abandon "the window appears at Xft.dpi 192 within $WAIT s"
fi
if [ "$WIN_W" -eq 700 ] && [ "$WIN_H" -eq 560 ]; then
  pass "at Xft.dpi 192 the window is 700 x 560"
else
  abandon "at Xft.dpi 192 the window is 700 x 560" "it is $WIN_W x $WIN_H"
fi

# Succeeds when the window shows the 1x screenshot NAME enlarged twice.
doubled() {
  local want
  want=$(convert "xwd:$WORK/$1.xwd" -scale 200% -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1)
  shot now2 && [ "$(md5sum <"$WORK/now2.rgb" | cut -d' ' -f1)" = "$want" ]
}
if await "$WAIT" doubled before-knob; then
  pass "at Xft.dpi 192 the window is the 1x picture with every pixel doubled"
else
  fail "at Xft.dpi 192 the window is the 1x picture with every pixel doubled" \
    "differs from $WORK/before-knob.xwd enlarged (see now2.xwd)"
fi

# The same knob drag as above, in the window's pixels: twice as many screen pixels.
drag $((2 * (164 + 11))) $((2 * (114 + 11))) 0 "-$((2 * KNOB_DRAG))" "$KNOB_DRAG" ||
  abandon "dragging the upper level knob at Xft.dpi 192" "xdotool failed"
if await "$WAIT" doubled after-knob; then
  pass "at Xft.dpi 192 a drag of $KNOB_DRAG window pixels turns the knob as at 1x, doubled"
else
  fail "at Xft.dpi 192 a drag of $KNOB_DRAG window pixels turns the knob as at 1x, doubled" \
    "differs from $WORK/after-knob.xwd enlarged (see now2.xwd)"
fi

click_at $((2 * (335 + 5))) $((2 * (4 + 5))) || abandon "clicking the close button at Xft.dpi 192" "xdotool failed"
if ! await_exit; then
  fail "at Xft.dpi 192 the close button ends the program" "still running after $WAIT s"
else
  wait "$APP_PID"
  APP_STATUS=$?
  APP_PID=""
  if [ "$APP_STATUS" -eq 0 ]; then
    pass "at Xft.dpi 192 the close button ends the program with exit status 0"
  else
    fail "at Xft.dpi 192 the close button ends the program with exit status 0" "status $APP_STATUS"
  fi
fi
mv "$WORK/program.err" "$WORK/program-2x.err"

# --- A desktop at 1.5 times the usual dots per inch -----------------------

# Once where only the fonts follow Xft.dpi (QT_ENABLE_HIGHDPI_SCALING=0) and
# once with Qt's own scaling (a device pixel ratio of 1.5). Either way the
# window and the About icon take the nearest whole factor, 2: the icon is
# the 1x icon doubled, its 64 x 64 block centred where the layout puts the
# 32 x 32 icon at 1.5 (centre 36,36), from (4,4). The first session is
# started on a named pipe no one writes to: it is refused in one line and
# the window still appears.
echo "Xft.dpi: 144" | xrun xrdb -merge || abandon "setting Xft.dpi 144" "xrdb failed"
readonly ICON_15="64x64+4+4"
# Qt cannot size a window to 700 pixels at a ratio of 1.5: it is one column
# and row larger, so its top left 700 x 560 is compared.
doubled_within() {
  local want
  want=$(convert "xwd:$WORK/$1.xwd" -scale 200% -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1)
  shot now2 && [ "$(convert "xwd:$WORK/now2.xwd" -crop 700x560+0+0 +repage -depth 8 rgb:- 2>/dev/null |
    md5sum | cut -d' ' -f1)" = "$want" ]
}
mkfifo "$WORK/pipe.vlx"
for mode in fonts qt; do
  if [ "$mode" = fonts ]; then
    label="at Xft.dpi 144 without Qt's scaling"
    SESSION_ENV=(QT_ENABLE_HIGHDPI_SCALING=0)
    start_program "$WORK/pipe.vlx"
  else
    label="at Xft.dpi 144 with Qt's scaling"
    SESSION_ENV=()
    start_program
  fi
  if await "$WAIT" find_window && read_geometry; then
    pass "$label the window appears ($WIN_W x $WIN_H)"
  else
    abandon "$label the window appears within $WAIT s"
  fi
  if await "$WAIT" doubled_within before-knob; then
    pass "$label the window is the 1x picture with every pixel doubled"
  else
    fail "$label the window is the 1x picture with every pixel doubled" \
      "differs from $WORK/before-knob.xwd enlarged (see now2.xwd)"
  fi
  if [ "$mode" = fonts ]; then
    refusal="vorlantix: '$WORK/pipe.vlx': cannot open: a named pipe, not a regular file"
    if [ "$(grep -c -F -x "$refusal" "$WORK/program.err")" = 1 ]; then
      pass "$label a named pipe as the design is refused in one line"
    else
      fail "$label a named pipe as the design is refused in one line" "$(head -c 300 "$WORK/program.err")"
    fi
  fi
  if ! open_about 2; then
    fail "$label the menu's About opens the About dialog" "no visible 'About Vorlantix' window"
  elif await "$WAIT" icon_doubled "$ICON_15"; then
    pass "$label the About icon at ($ICON_15) is the 1x icon doubled"
  else
    fail "$label the About icon at ($ICON_15) is the 1x icon doubled" "see about-now.xwd"
    cp "$WORK/about-now.xwd" "$WORK/about-$mode.xwd"
  fi
  close_about "$label"
  read_geometry
  click_at $((2 * (335 + 5))) $((2 * (4 + 5))) || abandon "clicking the close button $label" "xdotool failed"
  if await_exit; then
    wait "$APP_PID"
    APP_STATUS=$?
    APP_PID=""
    if [ "$APP_STATUS" -eq 0 ]; then
      pass "$label the close button ends the program with exit status 0"
    else
      fail "$label the close button ends the program with exit status 0" "status $APP_STATUS"
    fi
  else
    fail "$label the close button ends the program" "still running after $WAIT s"
    stop_pid "$APP_PID"
    APP_PID=""
  fi
  mv "$WORK/program.err" "$WORK/program-$mode.err"
done
cat "$WORK"/program-*.err >"$WORK/program-all.err"

report=$(grep -E -m3 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|UndefinedBehavior)Sanitizer' \
  "$WORK/program-all.err")
if [ -z "$report" ]; then
  pass "the program's error output holds no sanitizer report"
else
  fail "the program's error output holds no sanitizer report" "$report"
  sed -n '1,60p' "$WORK/program-all.err"
fi

summary
[ "$FAILED" -eq 0 ]
