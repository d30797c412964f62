#!/bin/sh
# Offline renders of the show with the content pack of the build folder: two y4m renders of the
# first 12 s at 160x120 and 10 fps are byte-identical and hold exactly 120 frames; an mkv of
# 2 s carries 2 s of video and 2 s of sound; stills are the frames asked for alone; an output
# that ffmpeg refuses leaves no file.
# Usage: test_render.sh BUILD_DIR   (skipped, status 77, without BUILD_DIR/data)
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
[ -d "$build/data" ] || { echo "SKIP: no content pack in $build/data (make content)"; exit 77; }
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
start_xserver 640x480x24
cd "$work" || fail "no work folder"

render() {
  "$VELMAR" --data "$build/data" --render "$@" >"$work/out.txt" 2>&1
}

render a.y4m --size 160x120 --fps 10 --to 12 || fail "first y4m render failed"
render b.y4m --size 160x120 --fps 10 --to 12 || fail "second y4m render failed"
cmp -s a.y4m b.y4m || fail "two renders of the same range differ"
head -n 1 a.y4m | grep -q "^YUV4MPEG2 W160 H120 F10:1 " || fail "bad y4m header: $(head -n 1 a.y4m)"
# Header line, then per frame "FRAME\n" and 160x120 luma plus two 80x60 chroma planes.
header=$(head -n 1 a.y4m | wc -c)
size=$(wc -c <a.y4m)
[ $((size - header)) -eq $((120 * (6 + 28800))) ] || fail "a.y4m does not hold exactly 120 frames ($size bytes)"

render c.mkv --size 320x240 --fps 25 --from 20 --to 22 || fail "mkv render failed"
[ -f c.mkv ] || fail "no c.mkv"
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 c.mkv)
[ "$frames" = 50 ] || fail "the video holds $frames frames, not 50 (2 s at 25 fps)"
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream_tags=DURATION -of csv=p=0 c.mkv)
case "$audio" in 00:00:01.9* | 00:00:02.0*) ;; *) fail "the sound lasts $audio, not 2 s" ;; esac

# Stills: only the frames at those times, named by their place in the range.
render stills/ --size 160x120 --fps 10 --to 2 --stills 1.0,0.45 || fail "stills render failed"
[ "$(ls stills | tr '\n' ' ')" = "frame000005.png frame000010.png " ] || fail "stills wrote: $(ls stills)"

render d.mkv --size 160x120 --fps 10 --to 1 -- -no-such-ffmpeg-option && fail "a failing ffmpeg reported success"
ls -a | grep -q "d\.mkv" && fail "a failed encode left a file: $(ls -a)"
echo "PASS"
