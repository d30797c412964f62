#!/bin/sh
# Renders that start late reach the show's true state: from each moment of seek.tsv, the
# first three frames are identical to those of the whole render (the golden_render fixture).
# Usage: seek.sh BUILD_DIR RENDER_DIR   (status 77 without BUILD_DIR/data)
set -u
build=$(cd "$1" && pwd)
whole=$2
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for t in $(awk -F '\t' '!/^#/ && NF { print $1 }' "$here/seek.tsv"); do
  rm -rf "$work/from"
  if ! env -u DISPLAY VELMAR_GL_DEBUG=1 "$build/velmar" --data "$build/data" --render "$work/from/" --size 320x240 --fps 10 \
      --from "$t" --to "$(awk -v t="$t" 'BEGIN { print t + 0.3 }')" 2>"$work/log"; then
    echo "FAIL --from $t: the render failed"; sed 's/^/  /' "$work/log"; failed=1; continue
  fi
  first=$("$build/velmar" --frame-numbers "$t" --fps 10)
  for i in 0 1 2; do
    whole_frame=$(printf "%s/frame%06d.png" "$whole" $((first + i)))
    if ! cmp -s "$work/from/frame00000$i.png" "$whole_frame"; then
      echo "FAIL --from $t: frame $i differs from $whole_frame"
      failed=1
    fi
  done
  echo "--from $t: $(grep -o 'reached .*' "$work/log")"
done
[ $failed = 0 ] && echo "PASS"
exit $failed
