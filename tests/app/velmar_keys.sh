#!/bin/sh
# The show's keys with real key events, on a private 640x480 X server (the default full-screen
# mode) with a short soundtrack in the test folder: three Space presses write cue lines 0, 1 and
# 2 and Escape ends the show; a second run ends by closing its window; a third, started at 4 s,
# writes its cue at 4 s or later. All runs exit 0 and leave the screen as it was.
# Usage: velmar_keys.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
start_xserver 640x480x24
before=$(xdpyinfo | grep dimensions)

mkdir -p "$work/data/music"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:duration=60" -ac 1 -ar 22050 \
  -c:a libmp3lame -b:a 32k "$work/data/music/soundtrack_56k.mp3" || fail "cannot make the soundtrack"

# Presses Start in the dialog and waits for the show's window to settle (it is made again
# when it gets its OpenGL surface).
start_show() {
  start_velmar
  dialog=$(wait_window "$DIALOG_TITLE") || fail "no setup dialog"
  press "$dialog" Return
  wait_window "$SHOW_TITLE" >/dev/null || fail "the show's window did not open"
  sleep 1
  window=$(wait_window "$SHOW_TITLE") || fail "the show's window went away"
}

start_show
press "$window" space
sleep 0.3
press "$window" space
sleep 0.3
press "$window" space
sleep 0.3
press "$window" Escape
wait_velmar

[ -f "$work/keypress.txt" ] || fail "no keypress.txt"
numbers=$(cut -d' ' -f2 "$work/keypress.txt" | tr '\n' ' ')
[ "$numbers" = "0 1 2 " ] || fail "cue lines numbered '$numbers'"
grep -qvE '^num [0-9]+ time [0-9]+\.[0-9]{6}$' "$work/keypress.txt" && fail "malformed cue line"

start_show
"$build/x11_close_window" "$window" || fail "could not ask the window to close"
wait_velmar

# A late start runs the show ahead to 4 s; the music clock then goes on from there.
start_velmar --no-dialog --windowed --no-sound --start 4
i=0
until grep -q "reached 4.000 s" "$work/out.txt"; do
  i=$((i + 1)); [ $i -gt 300 ] && fail "the late start never reached 4 s"; sleep 0.1
done
window=$(wait_window "$SHOW_TITLE") || fail "no window for the late start"
press "$window" space Escape
wait_velmar
cue=$(tail -n 1 "$work/keypress.txt" | cut -d' ' -f4)
awk -v t="$cue" 'BEGIN { exit !(t >= 4.0 && t < 20.0) }' || fail "a cue at $cue s after a start at 4 s"

[ "$(xdpyinfo | grep dimensions)" = "$before" ] || fail "screen not restored"
echo "ok"
