#!/bin/sh
# Conformance of the clip decoder against ffmpeg's own MPEG-4 decoder.
#   conformance.sh BUILD_DIR [full]
# Encodes clips with ffmpeg's mpeg4 encoder across sizes, quantisers, GOP lengths and coding
# tools, decodes them with `clpdec --i420` and with ffmpeg, and compares plane by plane: mean
# PSNR >= 48 dB and no frame below 44 dB (intra-only clips: 52 dB on every frame). Streams
# using tools the decoder refuses must end with their exit statuses. `full` (or
# VELMAR_CONFORMANCE_FULL=1) runs the whole matrix instead of the representative one.
set -u
BUILD=$1
FULL=${2:-${VELMAR_CONFORMANCE_FULL:-0}}
[ "$FULL" = full ] && FULL=1
CLPDEC=$BUILD/clpdec
PSNR=$BUILD/clip_psnr
CLPWRAP=$BUILD/clip_clpwrap
command -v ffmpeg >/dev/null 2>&1 || { echo "conformance: ffmpeg missing"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
FAILED=0

# encode NAME SIZE FRAMES SOURCE QUANT GOP FLAGS THREADS [extra ffmpeg options]
encode() {
  name=$1 size=$2 frames=$3 source=$4 q=$5 g=$6 flags=$7 threads=$8
  shift 8
  case $source in
    motion) input="testsrc2=size=$size:rate=25" filter="noise=alls=10:allf=t+u" ;;
    zoom) input="mandelbrot=size=$size:rate=25" filter="noise=alls=4:allf=t" ;;
    pan) input="testsrc=size=$size:rate=25" filter="scroll=h=0.003:v=0.002,noise=alls=16:allf=t" ;;
  esac
  ffmpeg -v error -nostdin -y -f lavfi -i "$input" -vf "$filter" -frames:v "$frames" \
    -c:v mpeg4 -flags "+bitexact$flags" -fflags +bitexact -bf 0 -qscale:v "$q" -g "$g" \
    -threads "$threads" "$@" -f m4v "$WORK/$name.m4v"
}

# check NAME WIDTH HEIGHT MEAN_MIN FRAME_MIN
check() {
  name=$1 w=$2 h=$3
  ffmpeg -v error -nostdin -y -i "$WORK/$name.m4v" -f rawvideo -pix_fmt yuv420p "$WORK/ref.yuv" || {
    echo "FAIL $name: ffmpeg could not decode"; FAILED=1; return; }
  if ! "$CLPDEC" --i420 "$WORK/$name.m4v" "$WORK/out.yuv"; then
    echo "FAIL $name: clpdec failed"; FAILED=1; return
  fi
  if result=$("$PSNR" "$w" "$h" "$WORK/ref.yuv" "$WORK/out.yuv" "$4" "$5"); then
    echo "$name: $result"
  else
    echo "FAIL $name: $result"; FAILED=1
  fi
  rm -f "$WORK/ref.yuv" "$WORK/out.yuv"
}

# run NAME WIDTH HEIGHT FRAMES SOURCE QUANT GOP FLAGS THREADS
run() {
  encode "$1" "$2x$3" "$4" "$5" "$6" "$7" "$8" "$9" || { echo "FAIL $1: encode"; FAILED=1; return; }
  if [ "$7" = 1 ]; then check "$1" "$2" "$3" 52 52; else check "$1" "$2" "$3" 48 44; fi
  rm -f "$WORK/$1.m4v"
}

if [ "$FULL" = 1 ]; then
  for size in 176x144 320x240 352x288 720x576; do
    w=${size%x*} h=${size#*x}
    for q in 2 5 12 31; do
      for g in 1 12 300; do
        for flags in "" "+mv4" "+aic" "+mv4+aic"; do
          frames=60; [ "$g" = 300 ] && frames=300; [ "$w" = 720 ] && frames=$((frames / 2))
          run "full_${size}_q${q}_g${g}_${flags}" "$w" "$h" "$frames" motion "$q" "$g" "$flags" 2
        done
      done
    done
  done
else
  run qcif_q2_g12 176 144 24 motion 2 12 "" 1
  run qcif_q31_g300_mv4 176 144 24 zoom 31 300 "+mv4" 1
  run qvga_q5_g1_aic 320 240 6 pan 5 1 "+aic" 1
  run cif_q8_g12_mv4_aic_packets 352 288 24 zoom 8 12 "+mv4+aic" 3
  run vga_q12_g12_aic 640 480 12 pan 12 12 "+aic" 2
  run pal_q3_g12_mv4_packets 720 576 8 motion 3 12 "+mv4" 4
  run pal_q20_g300 720 576 10 pan 20 300 "" 1
  run qcif_q31_g1_mv4_aic 176 144 6 motion 31 1 "+mv4+aic" 1
  run cif_q2_g300_aic_packets 352 288 40 pan 2 300 "+aic" 2
  run qvga_q16_g12_mv4_packets 320 240 24 motion 16 12 "+mv4" 3
  run qvga_q31_g12_mv4_packets 320 240 36 motion 31 12 "+mv4" 2
  run qcif_q2_g300_long 176 144 300 motion 2 300 "+mv4" 1
  run qvga_q6_g300_long_aic 320 240 300 zoom 6 300 "+aic" 1
fi

# The same clip in a CLP container decodes to the same frames.
encode clp 176x144 12 zoom 4 12 "" 2 && "$CLPWRAP" "$WORK/clp.m4v" "$WORK/clp.clp" &&
  "$CLPDEC" --i420 "$WORK/clp.m4v" "$WORK/a.yuv" && "$CLPDEC" --i420 "$WORK/clp.clp" "$WORK/b.yuv" &&
  cmp -s "$WORK/a.yuv" "$WORK/b.yuv" && echo "clp container: same frames" ||
  { echo "FAIL clp container"; FAILED=1; }

# Streams with tools outside the decoder's subset end the process with their statuses.
expect_status() {
  name=$1 status=$2
  "$CLPDEC" --i420 "$WORK/$name.m4v" /dev/null 2>/dev/null
  got=$?
  if [ "$got" = "$status" ]; then echo "$name: exit status $got"; else
    echo "FAIL $name: exit status $got, expected $status"; FAILED=1; fi
}
encode partitioned 176x144 3 motion 5 12 "" 1 -data_partitioning 1 && expect_status partitioned 102
encode interlaced 176x144 3 motion 5 12 "+ildct" 1 && expect_status interlaced 109
encode mpegquant 176x144 3 motion 5 12 "" 1 -mpeg_quant 1 && expect_status mpegquant 110

exit $FAILED
