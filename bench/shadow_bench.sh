#!/bin/sh
# Processor time of the shadow volumes per frame (10,368 polygons, two moving lights) and of
# the lightmap bake (2,000 polygons), from the optimised build. No peer exists for these; the
# figures are for comparing revisions.
#   shadow_bench.sh BUILD_DIR [FRAMES]
set -eu
"$1/shadow_bench" "${2:-200}"
