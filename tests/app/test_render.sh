#!/bin/sh
# Offline renders of the show with the content pack of the build folder, all without a display:
# two y4m renders of the first 12 s at 160x120 and 10 fps are byte-identical and hold exactly
# 120 frames; an mkv of 2 s carries 2 s of video and 2 s of sound; an mkv's colours match the
# PNG render of the same frames, and a lossless one's are the very pixels; a
# supersampled frame is the block average of the frame rendered larger; stills are the frames asked
# for alone; outputs land where they are named; an output that ffmpeg refuses leaves no file; Ctrl-C to the terminal's process
# group during an mkv and SIGTERM during a y4m keep valid files of the frames made (the sound
# cut to them), exit 130 and 143, and leave an earlier complete render alone; options that
# cannot work are refused with status 2 before the content loads; and with no OpenGL at all a
# render says so and fails.
# Usage: test_render.sh BUILD_DIR   (skipped, status 77, without BUILD_DIR/data)
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
[ -d "$build/data" ] || { echo "SKIP: no content pack in $build/data (make content)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset DISPLAY WAYLAND_DISPLAY

fail() {
  echo "FAIL: $*" >&2
  [ -f out.txt ] && sed 's/^/  velmar: /' out.txt >&2
  exit 1
}

render() {
  "$VELMAR" --data "$build/data" --render "$@" >out.txt 2>&1
}

render a.y4m --size 160x120 --fps 10 --to 12 || fail "first y4m render failed"
render b.y4m --size 160x120 --fps 10 --to 12 || fail "second y4m render failed"
cmp -s a.y4m b.y4m || fail "two renders of the same range differ"
head -n 1 a.y4m | grep -q "^YUV4MPEG2 W160 H120 F10:1 " || fail "bad y4m header: $(head -n 1 a.y4m)"
# Header line, then per frame "FRAME\n" and 160x120 luma plus two 80x60 chroma planes.
frame_bytes=$((6 + 28800))
y4m_frames() { echo $((($(wc -c <"$1") - $(head -n 1 "$1" | wc -c)) / frame_bytes)); }
y4m_whole() { [ $((($(wc -c <"$1") - $(head -n 1 "$1" | wc -c)) % frame_bytes)) = 0 ]; }
[ "$(y4m_frames a.y4m)" = 120 ] && y4m_whole a.y4m || fail "a.y4m does not hold exactly 120 frames"

render c.mkv --size 320x240 --fps 25 --from 20 --to 22 || fail "mkv render failed"
[ -f c.mkv ] || fail "no c.mkv"
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 c.mkv)
[ "$frames" = 50 ] || fail "the video holds $frames frames, not 50 (2 s at 25 fps)"
audio=$(ffprobe -v error -select_streams a:0 -show_entries stream_tags=DURATION -of csv=p=0 c.mkv)
case "$audio" in 00:00:01.9* | 00:00:02.0*) ;; *) fail "the sound lasts $audio, not 2 s" ;; esac

# The same frames as an mkv and as PNG files: the mkv, decoded as a player does (the matrix and
# range its stream states, exact rounding), matches the PNG frames' mean colour per channel within a level.
render k.mkv --size 160x120 --fps 10 --from 36 --to 36.3 || fail "colour mkv render failed"
render k/ --size 160x120 --fps 10 --from 36 --to 36.3 || fail "colour PNG render failed"
tags=$(ffprobe -v error -select_streams v:0 -show_entries stream=color_range,color_space -of csv=p=0 k.mkv)  # range,matrix
ffmpeg -v error -i k.mkv -vf "scale=in_color_matrix=${tags#*,}:in_range=${tags%,*}:flags=accurate_rnd+full_chroma_int,format=rgb24" -f rawvideo k.rgb &&
  ffmpeg -v error -i k/frame%06d.png -pix_fmt rgb24 -f rawvideo p.rgb || fail "cannot decode the colour renders"
python3 -c '
import sys
a, b = open("k.rgb", "rb").read(), open("p.rgb", "rb").read()
n = len(b) // 3
means = [(sum(a[c::3]) - sum(b[c::3])) / n for c in range(3)] if len(a) == len(b) > 0 else [999]
sys.exit(0 if max(map(abs, means)) <= 1.0 else "mean colour errors %s" % means)' || fail "the mkv's colours differ from the PNG frames'"

# Lossless: the same frames decode to the PNG render's pixels byte for byte, the sound in FLAC.
render l.mkv --lossless --size 161x121 --fps 10 --from 36 --to 36.3 || fail "lossless render failed"
render l/ --size 161x121 --fps 10 --from 36 --to 36.3 || fail "PNG render for lossless failed"
ffmpeg -v error -i l.mkv -pix_fmt rgb24 -f rawvideo l.rgb && ffmpeg -v error -i l/frame%06d.png -pix_fmt rgb24 -f rawvideo lp.rgb &&
  [ -s l.rgb ] && cmp -s l.rgb lp.rgb || fail "the lossless mkv's frames are not the PNG render's"
[ "$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 l.mkv)" = flac ] || fail "the lossless sound is not FLAC"

# Supersampling: a frame drawn at twice the size and averaged over each 2x2 block is the block
# average of that frame rendered at twice the size.
render s/ --size 160x120 --supersample 2 --fps 10 --from 40 --to 40.1 || fail "supersampled render failed"
render S/ --size 320x240 --fps 10 --from 40 --to 40.1 || fail "large render failed"
ffmpeg -v error -i s/frame000000.png -pix_fmt rgb24 -f rawvideo s.rgb && ffmpeg -v error -i S/frame000000.png -pix_fmt rgb24 -f rawvideo S.rgb ||
  fail "cannot decode the supersampled renders"
python3 -c '
import sys
small, big = open("s.rgb", "rb").read(), open("S.rgb", "rb").read()
w, h = 160, 120
want = bytes((sum(big[((2 * y + dy) * 2 * w + 2 * x + dx) * 3 + c] for dy in (0, 1) for dx in (0, 1)) + 2) // 4
             for y in range(h) for x in range(w) for c in range(3))
sys.exit(0 if small == want else "%d of %d values differ" % (sum(a != b for a, b in zip(small, want)), len(want)))' ||
  fail "the supersampled frame is not the block average of the large one"

# Stills: only the frames at those times, named by their place in the range; and outputs are
# written where they are named, even under a folder called data or pipe:.
mkdir -p data pipe:
render data/stills/ --size 160x120 --fps 10 --to 2 --stills 1.0,0.45 || fail "stills render failed"
[ "$(ls data/stills | tr '\n' ' ')" = "frame000005.png frame000010.png " ] || fail "stills wrote: $(ls data/stills)"
render pipe:/v.mkv --size 160x120 --fps 10 --to 0.2 && [ -s pipe:/v.mkv ] || fail "pipe:/v.mkv was not written"

render d.mkv --size 160x120 --fps 10 --to 1 -- -no-such-ffmpeg-option && fail "a failing ffmpeg reported success"
ls -a | grep -q "d\.mkv" && fail "a failed encode left a file: $(ls -a)"

# Ctrl-C reaches the whole process group of a terminal: velmar's, not its ffmpeg's.
rm -f out.txt
setsid sh -c 'exec "$0" --data "$1" --render e.mkv --size 160x120 --fps 25 --from 30 --to 90 >out.txt 2>&1' \
  "$VELMAR" "$build/data" &
leader=$!
i=0
until grep -q "reached" out.txt 2>/dev/null; do i=$((i + 1)); [ $i -gt 600 ] && fail "the mkv render never began"; sleep 0.1; done
sleep 1
/bin/kill -s INT -- "-$leader"
wait "$leader"
status=$?
[ $status = 130 ] || fail "Ctrl-C during an mkv gave status $status, not 130"
grep -q "stopped after [0-9]* of 1500 frames; [0-9]* kept in e.mkv" out.txt || fail "no word on what was kept"
frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 e.mkv)
[ "${frames:-0}" -gt 0 ] || fail "the stopped mkv holds no frames"
duration() { ffprobe -v error -select_streams "$1" -show_entries stream_tags=DURATION -of csv=p=0 e.mkv | awk -F: '{ print $1 * 3600 + $2 * 60 + $3 }'; }
awk -v a="$(duration a:0)" -v v="$(duration v:0)" 'BEGIN { exit !(a - v < 0.04 && v - a < 0.04) }' ||
  fail "the stopped mkv's sound lasts $(duration a:0) s, its $frames frames $(duration v:0) s"

# SIGTERM during a y4m whose name an earlier complete render holds.
cp a.y4m f.y4m
rm -f out.txt
"$VELMAR" --data "$build/data" --render f.y4m --size 160x120 --fps 10 --from 30 --to 200 >out.txt 2>&1 &
pid=$!
i=0
until grep -q "reached" out.txt 2>/dev/null; do i=$((i + 1)); [ $i -gt 600 ] && fail "the y4m render never began"; sleep 0.1; done
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
[ $status = 143 ] || fail "SIGTERM during a y4m gave status $status, not 143"
cmp -s a.y4m f.y4m || fail "the earlier complete f.y4m was changed"
[ -f f.stopped.y4m ] && y4m_whole f.stopped.y4m && [ "$(y4m_frames f.stopped.y4m)" -gt 0 ] ||
  fail "the stopped render is not a y4m of whole frames: $(ls -l)"

# Refused before the content loads (the data folder is not even looked at).
refused() {
  "$VELMAR" --data /nonexistent --render "$@" >out.txt 2>&1
  status=$?
  [ $status = 2 ] || fail "--render $* gave status $status, not 2"
  grep -q "$expect" out.txt || fail "--render $*: no '$expect'"
  grep -q -i "missing\|loading" out.txt && fail "--render $* loaded content first"
}
expect="even width and height; use 640x480 or 642x480" refused g.mkv --size 641x480
expect="chooses no kind" refused g --size 160x120
expect="more than this OpenGL can draw" refused g.y4m --size 40000x120
expect="frames of 32000x480 are more than this OpenGL can draw" refused g.y4m --size 8000x120 --supersample 4

# No OpenGL at all: one line, a failure, and nothing written.
__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent render h.y4m --size 160x120 --fps 10 --to 1 && fail "no OpenGL reported success"
grep -q "no OpenGL context can be made without a display" out.txt || fail "no word that OpenGL is missing"
ls -a | grep -q "h\.y4m" && fail "a render without OpenGL left a file"
echo "PASS"
