#!/bin/sh
# velmar's message boxes on an X server with no core fonts (only the server's built-in ones), as
# on most desktops today, whatever fonts this machine has: the box for the missing soundtrack
# appears over the show's window, names it as its owner, and Return closes it and ends the program.
# Usage: test_velmar_msgbox.sh BUILD_DIR
set -u
VELMAR=$(cd "$1" && pwd)/velmar
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
start_xserver 640x480x24 -fp built-ins
extra=$(xlsfonts 2>/dev/null | grep -v -E '^(fixed|cursor|6x13|-misc-fixed-medium-r-semicondensed-.*)$')
[ -z "$extra" ] || fail "the server has core fonts: $extra"

start_velmar
dialog=$(wait_window "$DIALOG_TITLE") || fail "no setup dialog"
press "$dialog" Return
box=$(wait_window "FSOUND Stream Init Failed!") || fail "no box for the missing soundtrack"
show=$(find_window "$SHOW_TITLE")
[ -n "$show" ] || fail "the show's window went before its box"
owner=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
[ "$((owner))" -eq "$((show))" ] || fail "the box belongs to ${owner:-no window}, not the show's window $show"
press "$box" Return
wait_velmar
grep -q "^FSOUND Stream Init Failed!: File not found$" "$work/out.txt" || fail "the box said something else"
echo "message box without core fonts: shown over the show's window, closed by Return"
