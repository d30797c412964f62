#!/bin/sh
# clppack on streams made by ffmpeg's MPEG-4 encoder: the packed clip has the layer's size and
# the given rate, one record per VOP, and decodes through clpdec to exactly the frames of the
# elementary stream itself; and clppack refuses what the clip library could not play.
#   clppack.sh BUILD_DIR
set -u
BUILD=$1
command -v ffmpeg >/dev/null 2>&1 || { echo "clppack: ffmpeg missing"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0
fail() { echo "FAIL $*"; FAILED=1; }

# encode NAME SIZE FRAMES GOP [extra ffmpeg options]
encode() {
  name=$1 size=$2 frames=$3 gop=$4
  shift 4
  ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=size=$size:rate=25" -vf "noise=alls=6:allf=t" \
    -frames:v "$frames" -c:v mpeg4 -flags +bitexact -fflags +bitexact -bf 0 -qscale:v 4 -g "$gop" \
    "$@" -f m4v "$WORK/$name.m4v" || fail "$name: ffmpeg"
}

# le32 FILE OFFSET: the unsigned little-endian word at OFFSET.
le32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }

encode small 176x144 30 12
encode mv4 320x240 16 300 -flags +bitexact+mv4+aic
for name in small mv4; do
  "$BUILD/clppack" --fps 30 "$WORK/$name.m4v" "$WORK/$name.clp" >/dev/null || { fail "$name: clppack"; continue; }
  "$BUILD/clpdec" --i420 "$WORK/$name.clp" "$WORK/$name.clp.yuv" || fail "$name: clpdec of the clip"
  "$BUILD/clpdec" --i420 "$WORK/$name.m4v" "$WORK/$name.m4v.yuv" || fail "$name: clpdec of the stream"
  if cmp -s "$WORK/$name.clp.yuv" "$WORK/$name.m4v.yuv" && [ -s "$WORK/$name.clp.yuv" ]; then
    echo "ok $name: same frames"
  else
    fail "$name: the clip decodes to other frames than the stream"
  fi
done

# Header of the 176x144 clip: magic, size, 30.0 as a float, and 30 records back to back.
[ "$(head -c 4 "$WORK/small.clp")" = CLP1 ] || fail "magic"
[ "$(le32 "$WORK/small.clp" 9)" = 176 ] || fail "width $(le32 "$WORK/small.clp" 9)"
[ "$(le32 "$WORK/small.clp" 13)" = 144 ] || fail "height"
[ "$(le32 "$WORK/small.clp" 17)" = 1106247680 ] || fail "frame rate bits $(le32 "$WORK/small.clp" 17)"
size=$(wc -c <"$WORK/small.clp")
offset=21 records=0 intra=0
while [ "$offset" -lt "$size" ]; do
  length=$(le32 "$WORK/small.clp" "$offset")
  flag=$(le32 "$WORK/small.clp" $((offset + 4)))
  [ "$flag" = 1 ] && intra=$((intra + 1))
  offset=$((offset + 8 + length)) records=$((records + 1))
done
[ "$offset" -eq "$size" ] || fail "records overrun the file"
[ "$records" = 30 ] || fail "$records records for 30 frames"
[ "$intra" = 3 ] || fail "$intra records flagged intra, want 3 (GOP 12)"
# The first record carries the video object and layer headers, then the VOP; no visual object
# sequence, group of VOP or user data anywhere.
[ "$(od -An -t x1 -j 29 -N 4 "$WORK/small.clp" | tr -d ' ')" = 00000100 ] || fail "first payload is not a video object"
if od -An -v -t x1 -w1 "$WORK/small.clp" | tr -d ' ' | tr '\n' ' ' | grep -Eq '(^| )00 00 01 (b0|b2|b3|b5) '; then
  fail "dropped headers left in the clip"
fi
echo "ok header and $records records"

# Refusals, each with a message and no output file.
refuse() {
  what=$1
  shift
  rm -f "$WORK/out.clp"
  if "$BUILD/clppack" "$@" "$WORK/out.clp" 2>"$WORK/err"; then fail "$what: accepted"; fi
  [ -s "$WORK/err" ] || fail "$what: no message"
  [ ! -e "$WORK/out.clp" ] || fail "$what: wrote a file"
}
refuse "no rate" "$WORK/small.m4v"
refuse "rate 0" --fps 0 "$WORK/small.m4v"
refuse "rate 2000" --fps 2000 "$WORK/small.m4v"
refuse "rate text" --fps fast "$WORK/small.m4v"
refuse "missing input" --fps 25 "$WORK/none.m4v"
head -c 2000 /dev/urandom | tr -d '\000' >"$WORK/noise.m4v"
refuse "not a stream" --fps 25 "$WORK/noise.m4v"
encode odd 100x50 3 12
refuse "100x50" --fps 25 "$WORK/odd.m4v"
"$BUILD/clppack" "$WORK/small.m4v" >/dev/null 2>&1 && fail "one path accepted"

exit $FAILED
