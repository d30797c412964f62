#!/bin/sh
# make install into a scratch DESTDIR: the installed files; from another folder the installed
# velmar renders one second at 160x120 from the installed pack (the same frames as with the
# build's pack, other frames without it); --help and the manual page name the same options.
# Usage: test_install.sh BUILD_DIR SOURCE_DIR   (skipped, status 77, without the content pack)
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }
work=$(mktemp -d)
. "$source/tests/support/velmar_session.sh"
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr/local >"$work/install.txt" 2>&1 || fail "install failed: $(cat "$work/install.txt")"

expected="bin/clpdec bin/clppack bin/gallery bin/krtool bin/mkcontent bin/velmar
lib/velmar/clpdll.so lib/velmar/clpdll2.so lib/velmar/libvelmar_platform.so
share/applications/velmar.desktop share/icons/hicolor/128x128/apps/velmar.png
share/man/man1/clpdec.1 share/man/man1/clppack.1 share/man/man1/gallery.1 share/man/man1/krtool.1
share/man/man1/mkcontent.1 share/man/man6/velmar.6"
got=$(cd "$root/usr/local" && find . -type f ! -path "./share/velmar/data/*" | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$got" = "$(echo $expected | tr ' ' '\n' | sort | tr '\n' ' ')" ] || fail "installed files: $got"
[ -f "$root/usr/local/share/velmar/data/music/soundtrack_56k.mp3" ] || fail "no pack in share/velmar/data"
[ ! -e "$root/usr/local/share/velmar/data/.complete" ] || fail "the build's stamp was installed"

start_xserver 640x480x24
elsewhere=$work/elsewhere
mkdir -p "$elsewhere"
cd "$elsewhere" || fail "no folder"
bin=$root/usr/local/bin
render() {
  env -u LD_LIBRARY_PATH "$bin/velmar" --render "$@" --size 160x120 --fps 10 --to 1 >"$work/out.txt" 2>&1
}
render installed.y4m || fail "the installed velmar did not render"
[ "$(wc -c <installed.y4m)" -gt $((10 * 28800)) ] || fail "installed.y4m is short"
render build.y4m --data "$build/data" || fail "render with --data failed"
cmp -s installed.y4m build.y4m || fail "the installed pack gave other frames than the build's"
render none.y4m --data "$work/nothing"
cmp -s installed.y4m none.y4m && fail "frames without a pack look like the installed pack's"

# --help and the manual page name the same options.
opts() { grep -o -E -- '--[a-z][a-z-]*' | sort -u | tr '\n' ' '; }
help=$("$bin/velmar" --help | opts)
man=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$root/usr/local/share/man/man6/velmar.6" | opts)
[ "$help" = "$man" ] || fail "--help names $help; the manual page $man"
echo "install: files, render from another folder, --help and manual agree"
