#!/bin/sh
# make package: the .deb holds the show, both clip libraries, the pack, the desktop entry, the
# icon and the manual pages; its dependencies name the libraries the show links, and it
# recommends ffmpeg.
# Usage: test_package.sh BUILD_DIR   (skipped, status 77, without the content pack)
set -u
build=$(cd "$1" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake") >"$work/cpack.txt" 2>&1 || fail "cpack: $(cat "$work/cpack.txt")"
deb=$(ls "$work"/velmar_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package: $(cat "$work/cpack.txt")"
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/velmar ./usr/lib/velmar/clpdll.so ./usr/lib/velmar/clpdll2.so ./usr/lib/velmar/libvelmar_platform.so \
         ./usr/share/velmar/data/music/soundtrack_56k.mp3 ./usr/share/applications/velmar.desktop \
         ./usr/share/icons/hicolor/128x128/apps/velmar.png ./usr/share/man/man6/velmar.6 ./usr/share/man/man1/mkcontent.1; do
  echo "$files" | grep -qx -- "$f" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2 libgtk-3 libmpg123 libsamplerate0 libpulse0 zlib1g libjpeg62-turbo libopengl0 libc6; do
  echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = ffmpeg ] || fail "does not recommend ffmpeg"
echo "package: $(basename "$deb"), files and dependencies"
