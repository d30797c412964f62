#!/bin/sh
# velmar's setup dialog on a private 640 x 480 X server, driven with real key presses.
# Start: the show's window opens at the chosen size (the default, 640 x 480 full screen), then
# the music step reports the missing soundtrack (the test folder holds no data) and the
# program ends. Quit: the program ends with nothing else opened.
# Usage: test_velmar_dialog.sh BUILD_DIR
set -u
VELMAR=$(cd "$1" && pwd)/velmar
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
start_xserver 640x480x24

# Start, with Return on the dialog's default button.
start_velmar
dialog=$(wait_window "$DIALOG_TITLE") || fail "no setup dialog"
press "$dialog" Return
wait_window "$SHOW_TITLE" >/dev/null || fail "the show's window did not open"
# The window is made again when it gets its OpenGL surface, so it is looked up by title anew.
i=0
until shown=$(xwininfo -id "$(find_window "$SHOW_TITLE")" 2>/dev/null) &&
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
dialog=$(wait_window "$DIALOG_TITLE") || fail "no setup dialog"
press "$dialog" Tab Return
wait_velmar
[ "$seen_show" -eq 0 ] || fail "Quit opened the show's window"
# Every message box is echoed on standard error as "caption: text"; none may have come.
if grep -qE "^(das|FSOUND[^:]*|KVT): " "$work/out.txt"; then fail "Quit went on to a message box"; fi
[ ! -e "$work/keypress.txt" ] || fail "Quit wrote a file"
echo "setup dialog: Start and Quit behave"
