# Shell helpers for tests that run the whole velmar program on a private X server.
# Source it after setting `work` (a scratch folder) and `VELMAR` (the program); it starts the
# server, and provides window look-ups, key presses and start/stop with exit-status checks.

xpid=""
vpid=""

session_cleanup() {
  if [ -n "$vpid" ]; then
    kill "$vpid" 2>/dev/null && sleep 0.5
    kill -9 "$vpid" 2>/dev/null
  fi
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap session_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/out.txt" ] && sed 's/^/  velmar: /' "$work/out.txt" >&2
  exit 1
}

# A private X server of the given size on a free display number; further arguments go to Xvfb.
start_xserver() {
  size=$1; shift
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset "$@" 3>"$work/display" 2>"$work/xvfb.log" &
  xpid=$!
  i=0
  until [ -s "$work/display" ]; do
    kill -0 "$xpid" 2>/dev/null || { xpid=""; fail "Xvfb did not start: $(cat "$work/xvfb.log")"; }
    i=$((i + 1)); [ $i -gt 100 ] && fail "Xvfb did not answer"
    sleep 0.1
  done
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  # The show's sound goes to SDL's silent output; GTK stays off the accessibility bus.
  export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1
}

# The id of the top-level window titled exactly $1, or nothing.
find_window() {
  xwininfo -root -children 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\":.*/\1/p" | head -n 1
}

# Whether velmar still runs: an ended child stays a zombie until it is waited for.
velmar_alive() {
  [ -r "/proc/$vpid/stat" ] && ! grep -q '^[0-9]* ([^)]*) Z' "/proc/$vpid/stat" 2>/dev/null
}

# Waits up to 30 s for the window titled $1 while velmar runs; prints its id.
wait_window() {
  i=0
  while :; do
    id=$(find_window "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    velmar_alive || return 1
    i=$((i + 1)); [ $i -gt 300 ] && return 1
    sleep 0.1
  done
}

# Focuses window $1 and presses the keys that follow, as real key events.
press() {
  w=$1; shift
  xdotool windowfocus --sync "$w" && xdotool key --delay 100 "$@"
}

# Starts velmar in the work folder with the arguments given.
start_velmar() {
  (cd "$work" && exec "$VELMAR" "$@") >"$work/out.txt" 2>&1 &
  vpid=$!
}

# Waits up to 30 s for velmar to end; fails unless it returned 0.
wait_velmar() {
  i=0
  while kill -0 "$vpid" 2>/dev/null; do
    [ -n "$(find_window "$SHOW_TITLE")" ] && seen_show=1
    i=$((i + 1)); [ $i -gt 300 ] && fail "velmar did not end"
    sleep 0.1
  done
  wait "$vpid"
  rc=$?
  vpid=""
  [ "$rc" -eq 0 ] || fail "velmar ended with $rc"
}

# Waits up to two minutes for a late start (--start) to reach the moment $1 (as printed, "4.000"),
# then for the show's window; prints the window's id.
wait_start() {
  i=0
  until grep -q "reached $1 s" "$work/out.txt"; do
    velmar_alive || fail "velmar ended before the show reached $1 s"
    i=$((i + 1)); [ $i -gt 1200 ] && fail "the late start never reached $1 s"
    sleep 0.1
  done
  wait_window "$SHOW_TITLE" || fail "no window for the late start"
}

SHOW_TITLE="Velmar - a demo by KVT, 2001"
DIALOG_TITLE="Velmar by KVT"
seen_show=0
