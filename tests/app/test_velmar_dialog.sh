#!/bin/sh
# velmar's setup dialog on a private 640 x 480 X server, driven with real key presses.
# Start: the show's window opens at the chosen size (the default, 640 x 480 full screen), then
# the music step reports the missing soundtrack (the test folder holds no data) and the
# program ends. Quit: the program ends with nothing else opened.
# Usage: test_velmar_dialog.sh BUILD_DIR   (VELMAR_TEST_DISPLAY picks the display, default 63)
set -u
BUILD=$(cd "$1" && pwd)
VELMAR=$BUILD/velmar
DISPLAY_NUM=${VELMAR_TEST_DISPLAY:-63}
work=$(mktemp -d)
xpid=""
vpid=""

# SDL turns SIGTERM into a quit request, which a waiting message box never reads.
cleanup() {
  if [ -n "$vpid" ]; then
    kill "$vpid" 2>/dev/null && sleep 0.5
    kill -9 "$vpid" 2>/dev/null
  fi
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/out.txt" ] && sed 's/^/  velmar: /' "$work/out.txt" >&2
  exit 1
}

Xvfb ":$DISPLAY_NUM" -screen 0 640x480x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xpid=$!
export DISPLAY=":$DISPLAY_NUM"
i=0
until xdpyinfo >/dev/null 2>&1; do
  kill -0 "$xpid" 2>/dev/null || { xpid=""; fail "Xvfb $DISPLAY did not start: $(cat "$work/xvfb.log")"; }
  i=$((i + 1)); [ $i -gt 100 ] && fail "Xvfb $DISPLAY did not answer"
  sleep 0.1
done

# The show's sound goes to SDL's silent output; GTK is kept off the accessibility bus.
export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1
# The toolkits keep their caches until exit; only velmar's own leaks would matter here.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/toolkit-leaks.supp:print_suppressions=0"

# The id of the top-level window titled exactly $1 (xwininfo reads UTF-8 titles; xdotool's
# search does not), or nothing.
find_window() {
  xwininfo -root -children 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\":.*/\1/p" | head -n 1
}

# Waits up to 30 s for the window titled $1 while velmar runs; prints its id.
wait_window() {
  i=0
  while :; do
    id=$(find_window "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$vpid" 2>/dev/null || return 1
    i=$((i + 1)); [ $i -gt 300 ] && return 1
    sleep 0.1
  done
}

# Focuses window $1 and presses the keys that follow, as real key events.
press() {
  w=$1; shift
  xdotool windowfocus --sync "$w" && xdotool key --delay 100 "$@"
}

start_velmar() {
  (cd "$work" && exec "$VELMAR") >"$work/out.txt" 2>&1 &
  vpid=$!
}

# Waits up to 30 s for velmar to end; fails unless it returned 0.
wait_velmar() {
  i=0
  while kill -0 "$vpid" 2>/dev/null; do
    [ -n "$(find_window "Velmar - a demo by KVT, 2001")" ] && seen_show=1
    i=$((i + 1)); [ $i -gt 300 ] && fail "velmar did not end"
    sleep 0.1
  done
  wait "$vpid"
  rc=$?
  vpid=""
  [ "$rc" -eq 0 ] || fail "velmar ended with $rc"
}

# Start, with Return on the dialog's default button.
start_velmar
dialog=$(wait_window "Velmar by KVT") || fail "no setup dialog"
press "$dialog" Return
wait_window "Velmar - a demo by KVT, 2001" >/dev/null || fail "the show's window did not open"
# The window is made again when it gets its OpenGL surface, so it is looked up by title anew.
i=0
until shown=$(xwininfo -id "$(find_window "Velmar - a demo by KVT, 2001")" 2>/dev/null) &&
      echo "$shown" | grep -q "Map State: IsViewable" &&
      [ "$(echo "$shown" | sed -n 's/^ *Width: //p')x$(echo "$shown" | sed -n 's/^ *Height: //p')" = 640x480 ]; do
  i=$((i + 1)); [ $i -gt 100 ] && fail "the show's window is not shown at 640x480: $(echo "$shown" | grep -E 'Width|Height|Map State' | tr -s ' \n' ' ')"
  sleep 0.1
done
box=$(wait_window "FSOUND Stream Init Failed!") || fail "no box for the missing soundtrack"
press "$box" Return
wait_velmar
grep -q "^FSOUND Stream Init Failed!: File not found$" "$work/out.txt" || fail "the box said something else"

# Quit: Tab moves the focus from Start to Quit.
seen_show=0
start_velmar
dialog=$(wait_window "Velmar by KVT") || fail "no setup dialog"
press "$dialog" Tab Return
wait_velmar
[ "$seen_show" -eq 0 ] || fail "Quit opened the show's window"
# Every message box is echoed on standard error as "caption: text"; none may have come.
if grep -qE "^(das|FSOUND[^:]*|KVT): " "$work/out.txt"; then fail "Quit went on to a message box"; fi
[ ! -e "$work/keypress.txt" ] || fail "Quit wrote a file"
echo "setup dialog: Start and Quit behave"
