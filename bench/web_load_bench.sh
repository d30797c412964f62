#!/bin/sh
# The page's load: the size of each file it serves as it is, with gzip -9 and with Brotli (-q 11,
# where brotli is installed), then the milliseconds from the first byte to Start offered and from
# the click to the first frame on an emulated 20 Mbit/s connection and from the service worker's
# cache (browser_test.py load-times). Needs make web; skipped without it.
#   web_load_bench.sh BUILD_DIR [WEB_DIR]     (WEB_DIR: build-web beside BUILD_DIR)
set -eu
build=$(cd "$1" && pwd)
web=${2:-$build/../build-web}
[ -f "$web/velmar-build.json" ] || { echo "web_load_bench: no page in $web (make web); skipped"; exit 0; }
here=$(cd "$(dirname "$0")" && pwd)
printf '%-18s %10s %10s %10s\n' file bytes gzip brotli
for f in index.html velmar-page.js velmar-page.css velmar-sw.js velmar-build.json velmar-data.js velmar.js \
         velmar.wasm velmar.data; do
  br=-
  command -v brotli >/dev/null && br=$(brotli -q 11 -c "$web/$f" | wc -c)
  printf '%-18s %10s %10s %10s\n' "$f" "$(wc -c <"$web/$f")" "$(gzip -9 -c "$web/$f" | wc -c)" "$br"
done
python3 "$here/../tests/web/browser_test.py" "$web" load-times 20
