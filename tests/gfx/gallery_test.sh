#!/bin/sh
# The gallery writes a valid contact-sheet PNG of the requested sheets, and refuses unknown ones.
set -eu
build="$1"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$build/gallery" "$out/sheet.png" pictures materials > "$out/log"
grep -q "2 sheet(s)" "$out/log"
size=$(identify -format '%w %h' "$out/sheet.png")
[ "$size" = "1330 886" ] || { echo "unexpected size: $size"; exit 1; }
pixel() { convert "$out/sheet.png" -format "%[fx:int(255*p{$1,$2}.r)] %[fx:int(255*p{$1,$2}.g)] %[fx:int(255*p{$1,$2}.b)]" info:; }
# The margin keeps the sheet's background; beside the 100x50 picture (second cell) lies the
# frame's clear colour (0.1, 0.1, 0.25), and in it the picture's white top-left tile border.
[ "$(pixel 2 2)" = "38 38 44" ] || { echo "margin: $(pixel 2 2)"; exit 1; }
pixel 640 240 | awk '{ exit !($1 >= 24 && $1 <= 27 && $3 >= 62 && $3 <= 65) }' || { echo "clear: $(pixel 640 240)"; exit 1; }
pixel 340 40 | awk '{ exit !($1 > 180 && $2 > 180 && $3 > 180) }' || { echo "border: $(pixel 340 40)"; exit 1; }

# The 2D sheets: in the first cell the stem of the test picture's F (white); in the mirrored
# full-screen draw (twelfth cell) the stem has moved to the F's other side.
"$build/gallery" "$out/2d.png" 2d effects > "$out/log"
grep -q "2 sheet(s)" "$out/log"
[ "$(identify -format '%w %h' "$out/2d.png")" = "1330 3334" ] || { echo "2d size"; exit 1; }
green() { convert "$out/2d.png" -format "%[fx:int(255*p{$1,$2}.g)]" info:; }
[ "$(green 150 150)" -gt 200 ] || { echo "F stem: $(green 150 150)"; exit 1; }
[ "$(green 1179 694)" -gt 200 ] || { echo "mirrored stem: $(green 1179 694)"; exit 1; }
[ "$(green 1140 694)" -lt 100 ] || { echo "mirror: $(green 1140 694)"; exit 1; }

# The toolkit sheet: text, sprite cells, fountain, smoke and glows in ten cells.
"$build/gallery" "$out/toolkit.png" toolkit > "$out/log"
[ "$(identify -format '%w %h' "$out/toolkit.png")" = "1330 856" ] || { echo "toolkit size"; exit 1; }

if "$build/gallery" "$out/x.png" nosuchsheet 2>/dev/null; then exit 1; fi
[ ! -e "$out/x.png" ]
echo ok
