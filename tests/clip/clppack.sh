#!/bin/sh
# clppack on ffmpeg's MPEG-4 streams: the clip decodes through clpdec to exactly the frames of
# the elementary stream itself; the header holds the layer's size and the given rate; one
# record per VOP (intra ones flagged) with no dropped headers left; refusals write nothing.
#   clppack.sh BUILD_DIR
set -u
BUILD=$1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0
fail() { echo "FAIL $*"; FAILED=1; }
le32() { od -An -t u4 -j "$2" -N 4 "$1" | tr -d ' '; }

# encode NAME SIZE FRAMES FLAGS
encode() {
  ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=size=$2:rate=25" -vf "noise=alls=6:allf=t" -frames:v "$3" \
    -c:v mpeg4 -flags "+bitexact$4" -fflags +bitexact -bf 0 -qscale:v 4 -g 12 -f m4v "$WORK/$1.m4v" || fail "$1: ffmpeg"
}
encode small 176x144 30 ""
encode mv4 320x240 16 "+mv4+aic"
for name in small mv4; do
  "$BUILD/clppack" --fps 30 "$WORK/$name.m4v" "$WORK/$name.clp" >/dev/null || fail "$name: clppack"
  "$BUILD/clpdec" --i420 "$WORK/$name.clp" "$WORK/$name.clp.yuv" && "$BUILD/clpdec" --i420 "$WORK/$name.m4v" "$WORK/$name.yuv" &&
    [ -s "$WORK/$name.yuv" ] && cmp -s "$WORK/$name.clp.yuv" "$WORK/$name.yuv" || fail "$name: other frames than the stream"
done

clp=$WORK/small.clp
[ "$(head -c 4 "$clp")/$(le32 "$clp" 9)x$(le32 "$clp" 13)/$(le32 "$clp" 17)" = "CLP1/176x144/1106247680" ] || fail "header"
size=$(wc -c <"$clp") offset=21 records=0 intra=0
while [ "$offset" -lt "$size" ]; do
  [ "$(le32 "$clp" $((offset + 4)))" = 1 ] && intra=$((intra + 1))
  offset=$((offset + 8 + $(le32 "$clp" "$offset"))) records=$((records + 1))
done
[ "$offset/$records/$intra" = "$size/30/3" ] || fail "records: end $offset of $size, $records records, $intra intra"
# Only VOPs and, in front of the first, the video object and layer headers.
codes=$(od -An -v -t x1 -w1 "$clp" | tr -d ' ' | tr '\n' ' ' | grep -Eo '00 00 01 [0-9a-f]{2}' | cut -c10- | sort -u | tr '\n' ' ')
[ "$codes" = "00 20 b6 " ] || fail "start codes in the clip: $codes"

for args in "$WORK/small.m4v" "--fps 0 $WORK/small.m4v" "--fps 1001 $WORK/small.m4v" "--fps 25 $WORK/none.m4v"; do
  # shellcheck disable=SC2086
  "$BUILD/clppack" $args "$WORK/out.clp" 2>"$WORK/err" && fail "accepted: $args"
  [ -s "$WORK/err" ] && [ ! -e "$WORK/out.clp" ] || fail "no message, or output written: $args"
done
encode odd 100x50 2 ""
"$BUILD/clppack" --fps 25 "$WORK/odd.m4v" "$WORK/out.clp" 2>/dev/null && fail "100x50 accepted"
exit $FAILED
