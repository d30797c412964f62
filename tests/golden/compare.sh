#!/bin/sh
# The reference frames on one OpenGL implementation: the whole render (render.sh IMPL), then
# each frame compared with its reference within what that implementation is allowed:
#   llvmpipe  golden_frames' own limits (it made the references, with the screen effects in
#             their fixed-function passes; the one-pass program that now draws them blends
#             alike, and its frames differ by a level in a few pixels: 104 of 124 identical,
#             90 dB or more, with Mesa 22.3)
#   fixed     the same, drawn as the references were: every frame identical with Mesa 22.3
#   softpipe  a limit per section (softpipe.tsv: where and why it samples differently) and
#             10 of the 124 frames identical (a Mesa 22.3 render has 11)
#   zink      45 dB and four fifths identical: lavapipe rasterises, samples and blends as
#             llvmpipe does (a Mesa 22.3 render has the 104 identical frames llvmpipe has, and
#             one pixel of one frame more apart)
#   gles      40 dB and three tenths identical: the layer's shaders compute the texture
#             environments and the fog in floating point and round once, where llvmpipe's
#             fixed function rounds each step to 8 bits; the difference adds up only where many
#             translucent passes are summed (the light streaks of section 21: 43.9 dB with
#             Mesa 22.3; every other section 49.9 dB or more, 71 of 124 frames identical)
#   gpu       the page's limits (25 dB, a twentieth identical): another rasteriser rounds and
#             samples differently in many frames; every frame beside its reference in
#             OUT/golden-pairs.png
# Writes OUT/render/ and the contact sheet (and any failure's side by side) into OUT.
# Usage: compare.sh BUILD_DIR OUT_DIR IMPL   (status 77 where render.sh skips)
set -u
build=$(cd "$1" && pwd)
out=$2
impl=$3
here=$(cd "$(dirname "$0")" && pwd)
case $impl in
  llvmpipe | fixed) limits="" ;;
  softpipe) limits="--section-psnr $here/softpipe.tsv --identical 0.08" ;;
  zink) limits="--identical 0.8" ;;
  gles) limits="--min-psnr 40 --identical 0.3" ;;
  gpu) limits="--min-psnr 25 --identical 0.05 --pairs" ;;
  *) echo "compare.sh: unknown implementation $impl (llvmpipe, softpipe, zink, gles, fixed or gpu)" >&2; exit 2 ;;
esac
started=$(date +%s)
sh "$here/render.sh" "$build" "$out/render" "$impl" || exit $?
echo "$impl: rendered in $(($(date +%s) - started)) s"
# shellcheck disable=SC2086
exec "$build/golden_frames" check "$here/frames.tsv" "$here/frames" "$out/render" "$out" $limits
