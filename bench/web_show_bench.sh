#!/bin/sh
# The whole show live at 640x480, once in the page in headless Chromium (WebGL 2 on SwiftShader,
# sound on, frames paced by the page's animation frames) and once natively on Mesa's llvmpipe
# under Xvfb (no sound); per section the mean and 95th-percentile wall-clock milliseconds
# between frame ends side by side (velmar --stats). Needs make web; skipped without it.
#   web_show_bench.sh BUILD_DIR [WEB_DIR]     (WEB_DIR: build-web beside BUILD_DIR)
set -eu
build=$(cd "$1" && pwd)
web=${2:-$build/../build-web}
[ -f "$web/velmar.wasm" ] && [ -d "$build/data" ] || { echo "web_show_bench: no page in $web (make web); skipped"; exit 0; }
web=$(cd "$web" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$here/../tests/web/browser_test.py" "$web" live >"$tmp/web"
export SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/velmar" --data "$build/data" --no-dialog --windowed \
  --size 640x480 --no-sound --stats 2>"$tmp/native" >/dev/null
grep first_frame_ms "$tmp/web"
printf '%-8s %10s %12s %12s %12s %12s\n' section start web_mean web_p95 llvmpipe_mean llvmpipe_p95
awk 'NR == FNR { if ($1 == "section") { m[$2] = $8; p[$2] = $10 } next }
     $1 == "section" { printf "%-8s %10s %12s %12s %12s %12s\n", $2, $4, $8, $10, m[$2], p[$2] }' \
  "$tmp/native" "$tmp/web"
