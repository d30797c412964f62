#!/bin/sh
# krtool image: conversions between the fixture files, the AAF first frame, and failures.
# $1 is the build folder, $2 the fixtures folder.
set -eu
krtool="$1/krtool"
fx="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$krtool" image "$fx/tc32rle.tga" "$tmp/a.pam"
cmp "$tmp/a.pam" "$fx/tc32rle.pam" || fail "TGA to PAM"
"$krtool" image "$fx/im_prog.jpg" "$tmp/b.ppm"
cmp "$tmp/b.ppm" "$fx/im_prog.ppm" || fail "JPEG to PPM"

# TGA out and back is exact; a 32-bit image is written as its colour.
"$krtool" image "$fx/cmrle.tga" "$tmp/c.tga"
"$krtool" image "$tmp/c.tga" "$tmp/c.ppm"
cmp "$tmp/c.ppm" "$fx/cmrle.ppm" || fail "TGA round trip"
"$krtool" image "$fx/tc32.tga" "$tmp/d.jpg" 2>"$tmp/err"
grep -q "colour only" "$tmp/err" || fail "no note on the dropped fourth byte"
"$krtool" image "$tmp/d.jpg" "$tmp/d.pam"
head -c 40 "$tmp/d.pam" | grep -q "WIDTH 37" || fail "JPEG written by krtool"

# An AAF list gives its first frame, in true colours.
printf '37 23\n0\n1\n%s\n' "$fx/im_base.jpg" >"$tmp/list.aaf"
"$krtool" image "$tmp/list.aaf" "$tmp/e.ppm"
cmp "$tmp/e.ppm" "$fx/im_base.ppm" || fail "AAF first frame"

# Failures exit non-zero with a message.
if "$krtool" image "$tmp/missing.tga" "$tmp/f.ppm" 2>"$tmp/err"; then fail "missing input accepted"; fi
grep -q "cannot load" "$tmp/err" || fail "no message for a missing input"
printf 'not a jpeg' >"$tmp/g.jpg"
if "$krtool" image "$tmp/g.jpg" "$tmp/g.ppm" 2>"$tmp/err"; then fail "damaged input accepted"; fi
grep -q "IMG_JpgLoad - Not a JPEG file" "$tmp/err" || fail "no libjpeg message"
if "$krtool" image "$fx/tc24.tga" "$tmp/h.png" 2>/dev/null; then fail "unknown output type accepted"; fi
[ ! -e "$tmp/f.ppm" ] && [ ! -e "$tmp/g.ppm" ] || fail "output written after a failed load"
echo "krtool image: ok"
