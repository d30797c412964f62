#!/bin/sh
# Speed of the clip decoder next to ffmpeg's single-threaded MPEG-4 decoder.
#   clipdec_bench.sh BUILD_DIR [FRAMES]
# Generates 720x576 and 320x240 clips (FRAMES frames, 1500 by default) with ffmpeg's mpeg4
# encoder once into BUILD_DIR/bench-clips, then times, per clip:
#   decode:            clpdec --bench             vs  ffmpeg -threads 1 -i IN -f null -
#   decode+post+bgra:  clpdec --bench --post 100 --bgra
#                      vs  ffmpeg -threads 1 -i IN -vf pp=hb/vb/h1/v1,format=bgra -f null -
# Each figure is the best of three runs of the whole process (wall clock). A ratio above 1
# means clpdec is faster. It measures; it never fails on a time.
set -eu
BUILD=$1
FRAMES=${2:-1500}
CLIPS=$BUILD/bench-clips
mkdir -p "$CLIPS"

now() { date +%s.%N; }

# best_of3 COMMAND...: the lowest wall time of three runs, in seconds
best_of3() {
  best=""
  for _ in 1 2 3; do
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    best=$(echo "$t0 $t1 ${best:-999999}" | awk '{d = $2 - $1; print (d < $3) ? d : $3}')
  done
  echo "$best"
}

row() {
  label=$1 ours=$2 theirs=$3
  awk -v l="$label" -v n="$FRAMES" -v a="$ours" -v b="$theirs" 'BEGIN {
    printf "%-34s clpdec %8.1f fps   ffmpeg %8.1f fps   ratio %.2f\n", l, n / a, n / b, b / a }'
}

for size in 720x576 320x240; do
  clip=$CLIPS/bench_${size}_$FRAMES.m4v
  if [ ! -s "$clip" ]; then
    ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=size=$size:rate=25" \
      -vf "noise=alls=3:allf=t" -frames:v "$FRAMES" -c:v mpeg4 -flags +bitexact -fflags +bitexact \
      -bf 0 -qscale:v 4 -g 250 -threads 1 -f m4v "$clip"
  fi
  echo "$size, $FRAMES frames, $(wc -c < "$clip") bytes"
  a=$(best_of3 "$BUILD/clpdec" --bench "$clip")
  b=$(best_of3 ffmpeg -v error -nostdin -threads 1 -i "$clip" -f null -)
  row "  decode" "$a" "$b"
  a=$(best_of3 "$BUILD/clpdec" --bench --post 100 --bgra "$clip")
  b=$(best_of3 ffmpeg -v error -nostdin -threads 1 -i "$clip" -vf pp=hb/vb/h1/v1,format=bgra -f null -)
  row "  decode + post 100 + bgra" "$a" "$b"
done
