#!/bin/sh
# Each copy of the clip library is its own file and exports exactly its four functions.
#   exports.sh BUILD_DIR
set -u
BUILD=$1
expected="deletestream newstream startstream updatestream"
status=0
for lib in clpdll.so clpdll2.so; do
  [ -f "$BUILD/$lib" ] || { echo "FAIL $lib: missing"; status=1; continue; }
  got=$(nm -D --defined-only "$BUILD/$lib" | awk '{print $NF}' | sort | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" = "$expected" ]; then echo "ok $lib: $got"; else echo "FAIL $lib exports: $got"; status=1; fi
  prefix=$(printf '%s' "$lib" | cut -c1-3)
  [ "$prefix" = clp ] || { echo "FAIL $lib: name has a prefix"; status=1; }
done
if cmp -s "$BUILD/clpdll.so" "$BUILD/clpdll2.so" && [ "$BUILD/clpdll.so" -ef "$BUILD/clpdll2.so" ]; then
  echo "FAIL the two copies are one file"; status=1
fi
soname1=$(readelf -d "$BUILD/clpdll.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
soname2=$(readelf -d "$BUILD/clpdll2.so" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname1" != "$soname2" ] || { echo "FAIL both copies have the soname $soname1"; status=1; }
exit $status
