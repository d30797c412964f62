#!/bin/sh
# Each copy of the clip library is a file of its own with its own soname, exporting exactly
# its four functions.   exports.sh BUILD_DIR
set -u
status=0
for lib in clpdll.so clpdll2.so; do
  got=$(nm -D --defined-only "$1/$lib" | awk '{print $NF}' | sort | tr '\n' ' ')
  [ "$got" = "deletestream newstream startstream updatestream " ] || { echo "FAIL $lib exports: $got"; status=1; }
  readelf -d "$1/$lib" | grep -q "SONAME.*\[$lib\]" || { echo "FAIL $lib soname"; status=1; }
done
exit $status
