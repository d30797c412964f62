#!/bin/sh
# The whole show as heard: windowed on a private PulseAudio with the default output, the null
# sink's monitor recorded. Prints, every 30 s of music time and near the end, how much later
# than the music clock the soundtrack was heard (cross-correlation with its own decode), the
# drift of that offset over the show, the drift of the device's clock against the timer as the
# show measured it, underruns and skips, and the signal-to-noise ratio of each channel (median
# of 11 half-second stretches). Needs the content pack (make content) and pulseaudio.
#   sound_bench.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
[ -d "$build/data" ] || { echo "sound_bench: no content pack in $build/data (make content); skipped"; exit 0; }
command -v pulseaudio >/dev/null || { echo "sound_bench: no pulseaudio (scripts/install-deps); skipped"; exit 0; }
[ -x "$build/sound_check" ] || { echo "sound_bench: no $build/sound_check; skipped"; exit 0; }
work=$(mktemp -d)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/support/velmar_session.sh"
. "$root/tests/support/pulse_session.sh"
rpid=""
trap 'stop_pulse; [ -n "$rpid" ] && kill "$rpid" 2>/dev/null; session_cleanup' EXIT
start_xserver 640x480x24
unset SDL_AUDIODRIVER
heard_show end

"$build/sound_check" analyse $heard_rate "$work/ref.f32" "$work/rec.raw" "$work/marks" "$heard_origin" \
  0.5 30 60 90 120 150 180 210 240 270 300 310 snr 5 35 65 95 125 155 185 215 245 275 305 >"$work/analysis"
printf '%-10s %10s\n' music_s offset_ms
awk '$1 == "offset" { printf "%-10s %10s\n", $2, $3 }' "$work/analysis"
awk '$1 == "offset" && $3 != "none" { n++; x += $2; y += $3; xx += $2 * $2; xy += $2 * $3 }
     END { if (n > 1) printf "offset drift over the show: %.3f ms per 100 s\n", 100 * (n * xy - x * y) / (n * xx - x * x) }' "$work/analysis"
sed -n 's/^sound output \(.*\)/show: \1/p' "$work/out.txt"
echo "snr median: left $(snr_median 3 "$work/analysis") dB, right $(snr_median 4 "$work/analysis") dB"
