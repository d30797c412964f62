#!/bin/sh
# The live show as a listener hears it: windowed, with the default output, on a private
# PulseAudio whose null sink's monitor is recorded with its timing. The soundtrack is found in
# the recording by cross-correlation with its own decode (ffmpeg, resampled by soxr to the
# sink's rate): it is heard within 10 ms of the music clock (the origin --stats prints, on the
# same monotonic clock) at the start and after 60 s, and each channel of a half-second stretch
# has a signal-to-noise ratio of at least 50 dB (the median of eight stretches: while the
# device's drift is being worked off the stream runs up to 0.2 % fast, which the measure
# follows only as a straight line through each stretch).
# Usage: sound_heard.sh BUILD_DIR   (skipped, status 77, without BUILD_DIR/data)
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
[ -d "$build/data" ] || { echo "SKIP: no content pack in $build/data (make content)"; exit 77; }
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
. "$(dirname "$0")/../support/pulse_session.sh"
rpid=""
trap 'stop_pulse; [ -n "$rpid" ] && kill "$rpid" 2>/dev/null; session_cleanup' EXIT
start_xserver 640x480x24
unset SDL_AUDIODRIVER
heard_show 61.5

"$build/sound_check" analyse $heard_rate "$work/ref.f32" "$work/rec.raw" "$work/marks" "$heard_origin" 0.5 60 \
  snr 5 12 19 26 33 40 47 54 >"$work/analysis" || { cat "$work/analysis"; fail "the soundtrack was not found"; }
grep "^sound output" "$work/out.txt"
cat "$work/analysis"
awk '$1 == "offset" && ($3 > 10 || $3 < -10) { print "FAIL: heard " $3 " ms after the music clock at " $2 " s"; bad = 1 }
     END { exit bad }' "$work/analysis" || fail "the sound is not in step with the music clock"
for channel in 1 2; do
  median=$(snr_median $((channel + 2)) "$work/analysis")
  awk "BEGIN { exit !($median >= 50) }" || fail "median SNR $median dB on channel $channel"
done
echo "ok"
