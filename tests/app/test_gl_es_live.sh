#!/bin/sh
# The show live on OpenGL ES (--gl es), in a window on a private X server, in OpenGL debug mode:
# started at 150 s (a 3D scene with fog and stencil shadows) and left to play for three
# seconds. The context is an OpenGL ES one, no frame meets an OpenGL error, frames keep coming,
# and the window shows a picture, not a flat colour.
# Usage: test_gl_es_live.sh BUILD_DIR   (status 77 without BUILD_DIR/data)
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
work=$(mktemp -d)
[ -f "$build/data/.complete" ] || { rm -rf "$work"; echo "SKIP: no content pack in $build/data"; exit 77; }
. "$(dirname "$0")/../support/velmar_session.sh"
start_xserver 640x480x24
export VELMAR_GL_DEBUG=1

start_velmar --gl es --no-dialog --windowed --size 320x240 --no-sound --start 150 --stats --data "$build/data"
window=$(wait_start 150.000) || exit 1
sleep 3
import -window "$window" "$work/shot.png" || fail "cannot read the window back"
press "$window" Escape
wait_velmar

grep -q "^velmar: OpenGL: .*OpenGL ES" "$work/out.txt" || fail "the context was not an OpenGL ES one"
grep -q "^velmar: 0 OpenGL errors" "$work/out.txt" || fail "OpenGL errors (or no debug report)"
frames=$(sed -n 's/^total frames \([0-9]*\) .*/\1/p' "$work/out.txt")
[ "${frames:-0}" -ge 20 ] || fail "only ${frames:-0} frames in three seconds"
spread=$(convert "$work/shot.png" -colorspace Gray -format "%[fx:standard_deviation]" info:)
echo "frames $frames, grey spread of the window $spread"
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the window shows a flat colour (spread $spread)"
echo "ok"
