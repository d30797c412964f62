#!/bin/sh
# Renders the whole show from 0 at 320x240 and 10 frames a second, keeping the frames the
# reference table lists and the first three after each moment of the seek table, into a fresh
# PNG folder. Like every render it needs no display, so it runs without one. It runs in OpenGL
# debug mode: any OpenGL error makes velmar, and so the test, fail.
# Usage: render.sh BUILD_DIR OUT_DIR   (status 77 without BUILD_DIR/data)
set -eu
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }
fps=10
times=$("$build/golden_frames" times "$here/frames.tsv")
# velmar numbers the frame of each seek moment; frames k, k + 1 and k + 2 show k / fps onwards.
moments=$(awk -F '\t' '!/^#/ && NF { printf "%s%s", sep, $1; sep = "," }' "$here/seek.tsv")
firsts=$("$build/velmar" --frame-numbers "$moments" --fps $fps)
seeks=$(echo "$firsts" | awk -v fps=$fps '{ for (i = 0; i < 3; i++) printf ",%.6f", ($1 + i) / fps }')
rm -rf "$out"
mkdir -p "$out"
env -u DISPLAY VELMAR_GL_DEBUG=1 "$build/velmar" --data "$build/data" --render "$out/" --size 320x240 --fps $fps --stills "$times$seeks"
