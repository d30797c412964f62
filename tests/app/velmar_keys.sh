#!/bin/sh
# Runs velmar on a private 640x480 X server (the default full-screen mode) and drives it with
# real key events: three Space presses write cue lines 0, 1 and 2, Escape ends the show; a
# second run ends by closing its window. Both runs must exit 0 and leave the screen as it was.
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d)
xvfb_pid=""
velmar_pid=""
cleanup() {
  [ -n "$velmar_pid" ] && kill "$velmar_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; [ -f "$work/velmar.log" ] && cat "$work/velmar.log" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
before=$(xdpyinfo | grep dimensions)

# Starts velmar in the work folder and waits for its window.
start_velmar() {
  (cd "$work" && exec "$build/velmar") >"$work/velmar.log" 2>&1 &
  velmar_pid=$!
  for _ in $(seq 100); do
    window=$(xdotool search --name "Velmar" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && return 0
    kill -0 "$velmar_pid" 2>/dev/null || fail "velmar exited before opening its window"
    sleep 0.1
  done
  fail "no velmar window"
}

# Waits for velmar to end and checks its exit status.
wait_velmar() {
  for _ in $(seq 100); do
    kill -0 "$velmar_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$velmar_pid" 2>/dev/null && fail "velmar still running after $1"
  status=0
  wait "$velmar_pid" || status=$?
  velmar_pid=""
  [ "$status" -eq 0 ] || fail "velmar exited with $status after $1"
}

start_velmar
# The window gets its OpenGL surface right after it opens; let that settle, then focus it.
sleep 1
window=$(xdotool search --onlyvisible --name "Velmar" | head -n 1)
xdotool windowfocus --sync "$window" 2>/dev/null || true
for _ in 1 2 3; do
  xdotool key --delay 50 space
  sleep 0.3
done
xdotool key Escape
wait_velmar "Escape"

[ -f "$work/keypress.txt" ] || fail "no keypress.txt"
numbers=$(cut -d' ' -f2 "$work/keypress.txt" | tr '\n' ' ')
[ "$numbers" = "0 1 2 " ] || fail "cue lines numbered '$numbers'"
grep -qvE '^num [0-9]+ time [0-9]+\.[0-9]{6}$' "$work/keypress.txt" && fail "malformed cue line"

start_velmar
sleep 1
"$build/x11_close_window" "Velmar" || fail "could not ask the window to close"
wait_velmar "closing the window"

[ "$(xdpyinfo | grep dimensions)" = "$before" ] || fail "screen not restored"
echo "ok"
