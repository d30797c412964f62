#!/bin/sh
# Renders the whole show from 0 at 320x240 and 10 frames a second, keeping the frames the
# reference table lists (and any further music times given), into a fresh PNG folder.
# Usage: render.sh BUILD_DIR OUT_DIR [TIMES]   (status 77 without BUILD_DIR/data)
set -eu
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }
times=$("$build/golden_frames" times "$here/frames.tsv")
[ -n "${3:-}" ] && times="$times,$3"
rm -rf "$out"
mkdir -p "$out"
"$build/velmar" --data "$build/data" --render "$out/" --size 320x240 --fps 10 --stills "$times"
