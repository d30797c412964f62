#!/bin/sh
# The show's pace on this machine's OpenGL: a render at 640x480 and 30 frames a second with
# --stats, whose section means and 95th percentiles (milliseconds a frame, the frame read back
# included) stand next to the live targets of 16.7 ms (60 frames a second) and 25 ms, and whose
# wall time stands next to half the show's length; then the show live in a 640x480 window under
# Xvfb (no sound, no vsync), its section means and 95th percentiles between frame ends (over
# the whole show only).
# The render runs three times: as velmar draws, with the screen effects in their fixed-function
# passes (VELMAR_GL_FIXED=1: as before the one-pass program, and as on an OpenGL without
# shaders), and with llvmpipe's linear rasteriser off (LP_PERF=no_rast_linear), so that the
# shares of both show; on another implementation the last is the first again.
#   pace_bench.sh BUILD_DIR [FROM TO]     (default the whole show, 0 to 312 s)
# Needs the content pack (make content). It measures; it never fails on a time.
set -eu
build=$(cd "$1" && pwd)
from=${2:-0}
to=${3:-312}
[ -d "$build/data" ] || { echo "pace_bench: no content pack in $build/data (make content); skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Section lines of a --stats log next to the targets.
table() {
  awk '/^section / { printf "  section %-3s mean %6.1f ms (target 16.7) %-5s  p95 %6.1f ms (target 25) %s\n",
                     $2, $8, ($8 <= 16.7 ? "ok" : "over"), $10, ($10 <= 25 ? "ok" : "over") }
       /^total /   { printf "  all          mean %6.1f ms  p95 %6.1f ms\n", $5, $7 }' "$1"
}

for run in program fixed no_rast_linear; do
  set --
  [ $run = fixed ] && set -- VELMAR_GL_FIXED=1
  [ $run = no_rast_linear ] && set -- LP_PERF=no_rast_linear
  t0=$(date +%s.%N)
  env -u DISPLAY "$@" "$build/velmar" --data "$build/data" --render "$work/pace.y4m" --size 640x480 --fps 30 \
    --from "$from" --to "$to" --stats >"$work/$run.txt" 2>&1 ||
    { echo "pace_bench: the render failed:"; tail -n 5 "$work/$run.txt"; exit 1; }
  t1=$(date +%s.%N)
  rm -f "$work/pace.y4m"
  echo "render, ${*:-as velmar draws}: $(sed -n 's/^velmar: drawing on //p' "$work/$run.txt")"
  table "$work/$run.txt"
  awk -v t0="$t0" -v t1="$t1" -v from="$from" -v to="$to" 'BEGIN {
    printf "  %g s of show rendered in %.1f s: %.2fx real time (target 0.5x)\n", to - from, t1 - t0, (t1 - t0) / (to - from) }'
done

# Live, the whole show only: a live run has no end but the show's own.
[ "$from" = 0 ] && [ "$to" = 312 ] || { echo "live: measured over the whole show only; skipped"; exit 0; }
command -v xvfb-run >/dev/null || { echo "live: no xvfb-run; skipped"; exit 0; }
SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/velmar" \
  --data "$build/data" --no-dialog --windowed --size 640x480 --no-sound --vsync off --stats >"$work/live.txt" 2>&1 ||
  { echo "pace_bench: the live show failed:"; tail -n 5 "$work/live.txt"; exit 1; }
echo "live, 640x480 in a window under Xvfb (no sound, no vsync):"
table "$work/live.txt"
