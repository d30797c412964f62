#!/bin/sh
# Generates the content pack once, checks it through the show's own loaders
# (mkcontent_pack_check), draws its contact sheet, then generates it a second time and
# requires the very same bytes. The build folder comes first.
set -eu
build="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

if ! "$build/mkcontent" "$work/a" 2>"$work/log"; then
  cat "$work/log" >&2
  echo "mkcontent failed" >&2
  exit 1
fi
tail -n 1 "$work/log"
MKCONTENT_OUT="$work/a" "$build/mkcontent_pack_check"

"$build/mkcontent" --sheet "$work/sheet.png" "$work/a/data"
head -c 8 "$work/sheet.png" | od -An -c | grep -q 'P   N   G' || { echo "no PNG sheet" >&2; exit 1; }

"$build/mkcontent" "$work/b" 2>/dev/null
if ! diff -r "$work/a/data" "$work/b/data" >&2; then
  echo "two runs of mkcontent wrote different files" >&2
  exit 1
fi
echo "pack generated, checked, drawn and generated again identically"
