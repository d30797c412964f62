#!/bin/sh
# The show's pace on this machine's OpenGL without a display: a render at 640x480 and 30 frames a
# second with --stats, whose section means and 95th percentiles (milliseconds a frame, the frame
# read back included) stand next to the live targets of 16.7 ms (60 frames a second) and 25 ms,
# and whose wall time stands next to half the show's length. Run twice, the second time with
# llvmpipe's linear rasteriser off (LP_PERF=no_rast_linear), so that its share shows; on another
# implementation the two runs are the same.
#   pace_bench.sh BUILD_DIR [FROM TO]     (default the whole show, 0 to 312 s)
# Needs the content pack (make content). It measures; it never fails on a time.
set -eu
build=$(cd "$1" && pwd)
from=${2:-0}
to=${3:-312}
[ -d "$build/data" ] || { echo "pace_bench: no content pack in $build/data (make content); skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for run in default no_rast_linear; do
  lp=""
  [ $run = no_rast_linear ] && lp=no_rast_linear
  t0=$(date +%s.%N)
  env -u DISPLAY LP_PERF="$lp" "$build/velmar" --data "$build/data" --render "$work/pace.y4m" --size 640x480 --fps 30 \
    --from "$from" --to "$to" --stats >"$work/$run.txt" 2>&1 ||
    { echo "pace_bench: the render failed:"; tail -n 5 "$work/$run.txt"; exit 1; }
  t1=$(date +%s.%N)
  rm -f "$work/pace.y4m"
  echo "LP_PERF=${lp:-(none)}: $(sed -n 's/^velmar: drawing on //p' "$work/$run.txt")"
  awk -v t0="$t0" -v t1="$t1" -v from="$from" -v to="$to" '
    /^section / { printf "  section %-3s mean %6.1f ms (target 16.7) %-5s  p95 %6.1f ms (target 25) %s\n",
                  $2, $8, ($8 <= 16.7 ? "ok" : "over"), $10, ($10 <= 25 ? "ok" : "over") }
    /^total /   { printf "  all          mean %6.1f ms  p95 %6.1f ms\n", $5, $7 }
    END { printf "  %g s of show rendered in %.1f s: %.2fx real time (target 0.5x)\n", to - from, t1 - t0,
          (t1 - t0) / (to - from) }' "$work/$run.txt"
done
