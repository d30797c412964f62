#!/bin/sh
# krtool krm-info / krk-info on the fuzz seed files: lines, exit status and messages.
# $1 is the build folder, $2 the seed corpora folder (fuzz/corpus).
set -eu
krtool="$1/krtool"
seeds="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$krtool" krm-info "$seeds/krm/scene" >"$tmp/out" 2>"$tmp/err" || fail "krm-info exit status"
[ "$(grep -c '^mesh index=' "$tmp/out")" = 3 ] || fail "three mesh lines"
grep -qx "light index=0 name=sun position=1,2,3 colour=1,1,1 range_mode=1 range=40 static=1" "$tmp/out" || fail "light line"
grep -q "^mesh index=2 name=skin .* blended=1 bones=2$" "$tmp/out" || fail "skinned mesh line"
grep -q "box edge: 1 usecount: 1" "$tmp/err" || fail "open edges reported on standard error"
"$krtool" krm-info "$seeds/krm/scene_packed" >"$tmp/packed" 2>/dev/null || fail "packed file"
[ "$(tail -n +2 "$tmp/packed")" = "$(tail -n +2 "$tmp/out")" ] || fail "packed file reads the same"

# A file cut inside a mesh still gives the scene read so far, and says why it stopped.
head -c 900 "$seeds/krm/scene" >"$tmp/cut.krm"
"$krtool" krm-info "$tmp/cut.krm" >"$tmp/out" 2>"$tmp/err" || fail "partial scene exit status"
grep -q "mesh chunk: file ends inside a record" "$tmp/err" || fail "why the chunk failed"
printf 'not a scene' >"$tmp/bad.krm"
if "$krtool" krm-info "$tmp/bad.krm" 2>"$tmp/err"; then fail "bad magic accepted"; fi
grep -q "magic number mismatch" "$tmp/err" || fail "mismatch message"

"$krtool" krk-info "$seeds/krk/anim" >"$tmp/out" || fail "krk-info exit status"
head -n 1 "$tmp/out" | grep -q "^kfscene name=.*/anim nodes=3$" || fail "kfscene line"
grep -qx "node index=1 name=spin rotation_keys=2 position_keys=1" "$tmp/out" || fail "node line"
# Another version is refused; the tool says which one the file has.
printf '\255\336\001\001\000\000\000\000\000\000\000\000' >"$tmp/v.krk"
if "$krtool" krk-info "$tmp/v.krk" 2>"$tmp/err"; then fail "other version accepted"; fi
grep -q "version 0x0101" "$tmp/err" || fail "version message"
echo ok
