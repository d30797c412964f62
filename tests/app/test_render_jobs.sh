#!/bin/sh
# Parallel renders: --jobs 2 writes the very frames of a single-process render, and pieces
# rendered by GNU parallel and joined make the same video and the same sound as one render
# (the soundtrack encoded once over the range: no gap or repeat at a join); pieces that do not
# tile one range are refused with one line and status 2.
# Usage: test_render_jobs.sh BUILD_DIR   (skipped, status 77, without BUILD_DIR/data or parallel)
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
[ -d "$build/data" ] || { echo "SKIP: no content pack in $build/data (make content)"; exit 77; }
command -v parallel >/dev/null || { echo "SKIP: no GNU parallel (scripts/install-deps)"; exit 77; }
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d) && cd "$work" || exit 1
trap 'rm -rf "$work"' EXIT
velmar() { "$VELMAR" --data "$build/data" "$@" >out.txt 2>&1; }
# What went wrong, and what velmar said last.
fail() {
  echo "FAIL: $*" >&2
  sed 's/^/  velmar: /' out.txt >&2
  exit 1
}
range="--size 160x120 --fps 10 --from 20 --to 24"

velmar --render one.y4m $range || fail "single render failed"
velmar --render two.y4m $range --jobs 2 || fail "--jobs 2 failed"
cmp -s one.y4m two.y4m || fail "--jobs 2 made other frames than one process"
[ "$(grep -c "frame 40/40" out.txt)" -ge 1 ] || fail "no progress line for the whole render"

velmar --render one.mkv $range || fail "single mkv render failed"
mkdir p
parallel --will-cite "$VELMAR" --data "$build/data" --render p/{}.mkv --piece {}/3 $range ::: 1 2 3 >out.txt 2>&1 ||
  fail "GNU parallel's pieces failed"
velmar --join joined.mkv p/3.mkv p/1.mkv p/2.mkv || fail "joining the pieces failed"
for stream in v a; do
  a=$(ffmpeg -v error -i one.mkv -map 0:$stream -f md5 -)
  b=$(ffmpeg -v error -i joined.mkv -map 0:$stream -f md5 -)
  [ -n "$a" ] && [ "$a" = "$b" ] || fail "the joined mkv's $stream stream differs from one render's"
done

# Pieces that do not tile one range.
velmar --render q.mkv --size 160x120 --fps 10 --from 30 --to 34 --piece 2/3 || fail "other piece failed"
refused() {
  velmar --join bad.mkv "$@"
  status=$?
  [ $status = 2 ] && [ "$(wc -l <out.txt)" = 1 ] && grep -q "$expect" out.txt || fail "--join $*: status $status"
  ls -a | grep -q "bad\.mkv" && fail "--join $* left a file"
}
expect="piece 2 of 3 is missing" refused p/1.mkv p/3.mkv
expect="given twice" refused p/1.mkv p/2.mkv p/2.mkv p/3.mkv
expect="do not tile the range" refused p/1.mkv q.mkv p/3.mkv
expect="not a piece" refused one.mkv
echo "PASS"
