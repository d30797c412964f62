#!/bin/sh
# The whole show rendered under the virtual clock at 640x480 and 25 frames a second, twice:
# on Mesa's software renderer under Xvfb and on the do-nothing driver. Per section, processor
# time per frame (ms) side by side: the first includes rasterising, the second is the engine's
# own cost. Needs the content pack (make content).
#   show_bench.sh BUILD_DIR [FROM TO]
set -eu
build=$(cd "$1" && pwd)
shift
[ -d "$build/data" ] || { echo "show_bench: no content pack in $build/data (make content); skipped"; exit 0; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/show_bench" gl "$build/data" "$@" >"$tmp/gl" 2>"$tmp/gl.err" ||
  { echo "show_bench gl failed:"; tail -n 5 "$tmp/gl.err"; exit 1; }
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/show_bench" null "$build/data" "$@" >"$tmp/null" 2>"$tmp/null.err" ||
  { echo "show_bench null failed:"; tail -n 5 "$tmp/null.err"; exit 1; }
printf '%-8s %8s %12s %12s\n' section frames llvmpipe_ms null_ms
awk 'NR == FNR { null[$2] = $6; next }
     { printf "%-8s %8s %12.3f %12.3f\n", $2, $4, $6, ($2 in null) ? null[$2] : 0 }' "$tmp/null" "$tmp/gl"
