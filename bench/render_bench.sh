#!/bin/sh
# Offline render speed: seconds of rendering per second of show, for --jobs 1 and --jobs 2, over
# a heavy 20-s stretch inside section 6 (34 to 54 s: the landscape copies, the grid, the chip
# and the clock blur) and a light one in section 5 (12 to 32 s: the group picture, the logo,
# the particle burst), rendered into an .mkv as a user would (reaching the stretch and the
# encode included).
#   render_bench.sh BUILD_DIR [WxH] [FPS]     (default 1440x1080 at 60 fps, the render's own)
# Needs the content pack in BUILD_DIR/data (make content); without it, it says so and stops.
# It measures; it never fails on a time.
set -eu
BUILD=$1
SIZE=${2:-1440x1080}
FPS=${3:-60}
[ -d "$BUILD/data" ] || { echo "render_bench: no content pack in $BUILD/data (make content); nothing measured"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }

echo "render_bench: $SIZE at $FPS fps, $(nproc) processors, into .mkv"
for stretch in "heavy 34 54" "light 12 32"; do
  set -- $stretch
  for jobs in 1 2; do
    t0=$(now)
    "$BUILD/velmar" --data "$BUILD/data" --render "$work/bench.mkv" --size "$SIZE" --fps "$FPS" \
      --from "$2" --to "$3" --jobs "$jobs" >"$work/out.txt" 2>&1 ||
      { echo "render_bench: the render failed:"; tail -n 5 "$work/out.txt"; exit 1; }
    t1=$(now)
    awk -v name="$1" -v a="$2" -v b="$3" -v j="$jobs" -v t0="$t0" -v t1="$t1" 'BEGIN {
      printf "%-5s %3d to %3d s  --jobs %d  %7.1f s  %6.2f s per s of show\n", name, a, b, j, t1 - t0, (t1 - t0) / (b - a) }'
  done
done
