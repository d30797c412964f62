#!/bin/sh
# Renders the whole show from 0 at 320x240 and 10 frames a second, keeping the frames the
# reference table lists and the first three after each moment of the seek table, into a fresh
# PNG folder. Like every render it needs no display, so it runs without one. It runs in OpenGL
# debug mode: any OpenGL error makes velmar, and so the test, fail.
#
# IMPL chooses the OpenGL implementation (Mesa's, through its environment variables):
#   llvmpipe  Mesa's llvmpipe, which made the references (the default)
#   softpipe  Mesa's softpipe, the plain software rasteriser
#   zink      Mesa's Zink, OpenGL on Vulkan, over lavapipe (Vulkan on the processor)
#   gles      llvmpipe through OpenGL ES (velmar --gl es)
#   fixed     llvmpipe with the screen effects in their fixed-function passes (VELMAR_GL_FIXED=1),
#             as on an OpenGL without shaders
#   gpu       whatever velmar chooses on this machine (a GPU where there is one)
# The GPU's EGL device is refused for the Mesa ones, and velmar's line naming the renderer must
# name the one asked for: Mesa falling back to llvmpipe fails the render rather than passing
# for softpipe or Zink. An implementation this machine lacks skips the render.
# Usage: render.sh BUILD_DIR OUT_DIR [IMPL]   (status 77 without BUILD_DIR/data or IMPL)
set -eu
build=$(cd "$1" && pwd)
out=$2
impl=${3:-llvmpipe}
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$build/data/.complete" ] || { echo "SKIP: no content pack in $build/data"; exit 77; }

# Mesa's drivers: the software one (which holds the Gallium drivers) and Zink.
dri_has() {
  for d in ${LIBGL_DRIVERS_PATH:-} /usr/lib/*/dri /usr/lib64/dri /usr/lib/dri; do
    [ -f "$d/$1" ] && return 0
  done
  return 1
}
absent() { echo "SKIP: $impl is not installed here: $1"; exit 77; }

gl=""
renderer=llvmpipe
case $impl in
  llvmpipe | gles | fixed)
    set -- VELMAR_EGL_REFUSE=gpu GALLIUM_DRIVER=llvmpipe
    [ "$impl" = gles ] && gl="--gl es"
    [ "$impl" = fixed ] && set -- "$@" VELMAR_GL_FIXED=1 ;;
  softpipe)
    dri_has swrast_dri.so || absent "no Mesa software driver (swrast_dri.so)"
    set -- VELMAR_EGL_REFUSE=gpu GALLIUM_DRIVER=softpipe
    renderer=softpipe ;;
  zink)
    dri_has zink_dri.so || absent "no Mesa Zink driver (zink_dri.so; Debian's libgl1-mesa-dri)"
    icd=$(ls /usr/share/vulkan/icd.d/lvp_icd.*.json /etc/vulkan/icd.d/lvp_icd.*.json 2>/dev/null | head -n 1)
    [ -n "$icd" ] || absent "no lavapipe (Debian's mesa-vulkan-drivers)"
    ldconfig -p 2>/dev/null | grep -q 'libvulkan\.so\.1 ' || absent "no Vulkan loader (Debian's libvulkan1)"
    # Zink takes a processor's Vulkan device (lavapipe) only when software is asked for; the
    # loader is shown lavapipe alone, so that a GPU's Vulkan driver cannot stand in for it.
    set -- VELMAR_EGL_REFUSE=gpu LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=zink MESA_LOADER_DRIVER_OVERRIDE=zink \
      VK_ICD_FILENAMES="$icd" VK_DRIVER_FILES="$icd"
    renderer=zink ;;
  gpu)
    set --
    renderer="" ;;
  *) echo "render.sh: unknown implementation $impl (llvmpipe, softpipe, zink, gles, fixed or gpu)" >&2; exit 2 ;;
esac

fps=10
times=$("$build/golden_frames" times "$here/frames.tsv")
# velmar numbers the frame of each seek moment; frames k, k + 1 and k + 2 show k / fps onwards.
moments=$(awk -F '\t' '!/^#/ && NF { printf "%s%s", sep, $1; sep = "," }' "$here/seek.tsv")
firsts=$("$build/velmar" --frame-numbers "$moments" --fps $fps)
seeks=$(echo "$firsts" | awk -v fps=$fps '{ for (i = 0; i < 3; i++) printf ",%.6f", ($1 + i) / fps }')
rm -rf "$out"
mkdir -p "$out"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
# shellcheck disable=SC2086
env -u DISPLAY VELMAR_GL_DEBUG=1 "$@" "$build/velmar" $gl --data "$build/data" --render "$out/" --size 320x240 \
  --fps $fps --stills "$times$seeks" 2>"$log" || status=$?
cat "$log" >&2
line=$(grep -m 1 '^velmar: drawing on ' "$log" || true)
drew=$(echo "$line" | sed -n 's/^velmar: drawing on [^(]* (\(.*\)), no display needed$/\1/p')
echo "$impl: ${drew:-no renderer named}"
[ $status = 0 ] || exit $status
case $drew in
  "$renderer"*) ;;
  *) echo "FAIL: $impl was asked for, but velmar drew with '${drew:-nothing it named}'"; exit 1 ;;
esac
# Through the layer the context is an OpenGL ES one, and its version line says so.
if [ "$impl" = gles ]; then
  case $drew in
    *"; OpenGL ES "*) ;;
    *) echo "FAIL: gles was asked for, but velmar drew on '${drew:-nothing it named}'"; exit 1 ;;
  esac
fi
