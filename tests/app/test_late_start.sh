#!/bin/sh
# A late start with sound, on a private PulseAudio whose output holds a fifth of a second that
# plays before the music can begin: after --start 4 the timer, which the clips and the engine
# clock read, and the music clock count from the same instant. --stats reports how much further
# the timer went than the music clock since the run-ahead; it must be under a frame at 60 Hz.
# Usage: test_late_start.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
VELMAR=$build/velmar
work=$(mktemp -d)
. "$(dirname "$0")/../support/velmar_session.sh"
. "$(dirname "$0")/../support/pulse_session.sh"
trap 'stop_pulse; session_cleanup' EXIT
start_xserver 640x480x24
unset SDL_AUDIODRIVER
start_pulse 44100 || exit 1

mkdir -p "$work/data/music"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=330:duration=30" -ac 1 -ar 22050 \
  -c:a libmp3lame -b:a 32k "$work/data/music/soundtrack_56k.mp3" || fail "cannot make the soundtrack"

start_velmar --no-dialog --windowed --size 320x240 --start 4 --stats
window=$(wait_start 4.000) || exit 1
sleep 3
press "$window" Escape
wait_velmar
grep -q "^sound output pulseaudio " "$work/out.txt" || fail "the show did not play through PulseAudio"
lead=$(sed -n 's/^late start timer_lead_ms //p' "$work/out.txt")
[ -n "$lead" ] || fail "no timer lead reported"
echo "timer ahead of the music clock by $lead ms"
awk -v ms="$lead" 'BEGIN { exit !(ms > -16.7 && ms < 16.7) }' || fail "the timer is $lead ms ahead of the music clock"
echo "ok"
