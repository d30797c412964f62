# Shell helpers for tests and benchmarks that need a sound server: a private PulseAudio (runs
# as any user, root included) whose default sink is a null sink and default source its monitor,
# reached over a socket in the scratch folder. Source it after setting `work`; start_pulse RATE
# starts the server and exports PULSE_SERVER, stop_pulse ends it.

pulse_pid=""

start_pulse() {
  mkdir -p "$work/pulse"
  cat >"$work/pulse/default.pa" <<PA
load-module module-null-sink sink_name=null rate=$1 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native
set-default-sink null
set-default-source null.monitor
PA
  HOME="$work/pulse" XDG_RUNTIME_DIR="$work/pulse" PULSE_RUNTIME_PATH="$work/pulse" PULSE_STATE_PATH="$work/pulse" \
    pulseaudio --daemonize=no -n --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
      -F "$work/pulse/default.pa" --log-target=file:"$work/pulse/log" &
  pulse_pid=$!
  PULSE_SERVER="unix:$work/pulse/native"
  export PULSE_SERVER
  i=0
  until [ -S "$work/pulse/native" ]; do
    kill -0 "$pulse_pid" 2>/dev/null || { pulse_pid=""; echo "FAIL: pulseaudio did not start: $(cat "$work/pulse/log")" >&2; return 1; }
    i=$((i + 1)); [ $i -gt 100 ] && { echo "FAIL: pulseaudio did not answer" >&2; return 1; }
    sleep 0.1
  done
}

stop_pulse() {
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
  pulse_pid=""
}

# The show as heard: run windowed on the server (started here at 44100 Hz) with the sink's
# monitor recorded, until $1 seconds of the soundtrack were heard ("end": until the show ends by
# itself). Needs velmar_session.sh, VELMAR and build (its data and sound_check). Leaves in
# $work: ref.f32 (the soundtrack's own decode, resampled by soxr to the sink's rate, 32-bit
# float stereo), rec.raw and marks (the recording, see sound_check), out.txt (with --stats).
heard_rate=44100
heard_show() {
  start_pulse $heard_rate || exit 1
  limit=""
  [ "$1" != end ] && limit="-t $((${1%.*} + 5))"
  # shellcheck disable=SC2086
  ffmpeg -nostdin -loglevel error $limit -i "$build/data/music/soundtrack_56k.mp3" \
    -af aresample=$heard_rate:resampler=soxr:precision=28 -ac 2 -f f32le "$work/ref.f32" || fail "no reference decode"
  "$build/sound_check" record $heard_rate "$work/rec.raw" "$work/marks" 2>"$work/rec.log" &
  rpid=$!
  # A new recording's first seconds are irregular (the server settles the sink's latency).
  sleep 4
  (cd "$work" && exec "$VELMAR" --data "$build/data" --no-dialog --windowed --size 320x240 --stats) >"$work/out.txt" 2>&1 &
  vpid=$!
  i=0
  while velmar_alive; do
    if [ "$1" != end ]; then
      heard=$("$build/sound_check" heard $heard_rate "$work/rec.raw")
      awk "BEGIN { exit !($heard > $1) }" && break
    fi
    i=$((i + 1)); [ $i -gt 1000 ] && fail "the show did not end"
    sleep 0.5
  done
  if [ "$1" != end ]; then
    velmar_alive || fail "velmar ended early"
    window=$(find_window "$SHOW_TITLE")
    [ -n "$window" ] || fail "no show window"
    press "$window" Escape
  fi
  wait "$vpid" || fail "velmar ended with $?"
  vpid=""
  kill "$rpid"; wait "$rpid" 2>/dev/null; rpid=""
  stop_pulse
  grep -q "^sound output pulseaudio " "$work/out.txt" || fail "the show did not play through PulseAudio"
  heard_origin=$(sed -n 's/^music origin_ms //p' "$work/out.txt")
  [ -n "$heard_origin" ] || fail "no music origin"
}

# The median of the numbers in column $1 of the "snr" lines of file $2.
snr_median() {
  awk '$1 == "snr" { print $'"$1"' }' "$2" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
