// The sound backend in the browser, on Web Audio (the checks, channels, volumes and the
// no-sound clock are the shared front end's, pl_fsound.cpp). A stream is the whole file decoded
// by the browser (decodeAudioData) into an audio buffer; playing starts a buffer source through
// a gain node (the channel volume) a moment ahead, and returns when its first sample is heard,
// as the audio context reports its output (getOutputTimestamp, else its output and base
// latencies). The position is read from the audio clock, so the fade at the end follows what
// the viewer hears. The page makes the audio context on the click that starts the show, since
// a browser plays nothing before one.
//
// Sound outputs: 2 and 1 are both the page's audio context (its one device, "Web Audio").
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/pl_fsound_backend.h"
#include "platform/pl_platform.h"

namespace {

// The page's record of a decoded buffer, and what the report needs of it.
struct WebStream {
  int id = 0;
  int rate = 0;       // frames per second of the decoded buffer
  DWORD started = 0;  // the timer's value when its first frame was due
  int stopped = 0;    // silenced for good: its position stands still
};

struct State {
  int sound = 0;  // the audio context is used
  // What the output did: the heard sound's distance from the timer's schedule (+: early).
  double offsetMs = 0, worstOffsetMs = 0;
};

State g;

// 1 when the page has a running audio context (it is resumed if it was suspended).
EM_ASYNC_JS(int, audio_ready, (), {
  const ctx = Module['velmarAudioContext'];
  if (!ctx) return 0;
  if (ctx.state !== 'running') {
    try { await Promise.race([ctx.resume(), new Promise(r => setTimeout(r, 1000))]); } catch (e) {}
  }
  Module['velmarStreams'] = Module['velmarStreams'] || {next: 1};
  return ctx.state === 'running' ? 1 : 0;
});

// Decodes a file's bytes; returns the stream's id (0 when it cannot be decoded) and writes
// its rate and length.
EM_ASYNC_JS(int, audio_decode, (const void* data, int size, int* rate, int* length), {
  const bytes = HEAPU8.slice(data, data + size).buffer;
  const ctx = Module['velmarAudioContext'] || new OfflineAudioContext(1, 1, 44100);
  let buffer;
  try {
    buffer = await new Promise((resolve, reject) => ctx.decodeAudioData(bytes, resolve, reject));
  } catch (e) {
    return 0;
  }
  const s = Module['velmarStreams'] = Module['velmarStreams'] || {next: 1};
  const id = s.next++;
  s[id] = {buffer: buffer, source: null, gain: null, when: 0, offset: 0, heard: 0};
  HEAP32[rate >> 2] = buffer.sampleRate;
  HEAP32[length >> 2] = buffer.length;
  return id;
});

// Starts a stream `offset` seconds into it and returns when its first sample is heard.
EM_ASYNC_JS(int, audio_play, (int id, double offset, int volume), {
  const ctx = Module['velmarAudioContext'];
  const s = Module['velmarStreams'][id];
  if (!ctx || !s) return 0;
  s.gain = ctx.createGain();
  s.gain.gain.value = volume / 255;
  s.gain.connect(ctx.destination);
  s.source = ctx.createBufferSource();
  s.source.buffer = s.buffer;
  s.source.connect(s.gain);
  s.when = ctx.currentTime + 0.1;
  s.offset = offset;
  s.stopped = 0;
  s.source.start(s.when, offset);
  // Where the context's time is heard: its output timestamp where it gives one, else the
  // current time plus the latencies it reports.
  const t = ctx.getOutputTimestamp ? ctx.getOutputTimestamp() : {};
  if (t.contextTime > 0 && t.performanceTime > 0) {
    s.heard = t.performanceTime + (s.when - t.contextTime) * 1000;
  } else {
    const latency = (ctx.outputLatency || 0) + (ctx.baseLatency || 0);
    s.heard = performance.now() + (s.when - ctx.currentTime + latency) * 1000;
  }
  Module['velmarAudioLatency'] = s.heard - performance.now() - (s.when - ctx.currentTime) * 1000;
  const wait = s.heard - performance.now();
  if (wait > 0) await new Promise(resolve => setTimeout(resolve, wait));
  return 1;
});

// Seconds of the stream heard so far; they stand still once it was stopped.
EM_JS(double, audio_heard, (int id), {
  const s = Module['velmarStreams'][id];
  if (!s || !s.source) return 0;
  const now = s.stopped ? Math.min(performance.now(), s.stopped) : performance.now();
  return (now - s.heard) / 1000 + s.offset;
});

// The context's rate and the latency found when the stream started (ms; -1 before).
EM_JS(int, audio_rate, (), { return Module['velmarAudioContext'] ? Module['velmarAudioContext'].sampleRate : 0; });
EM_JS(double, audio_latency, (), {
  return Module['velmarAudioLatency'] === undefined ? -1 : Module['velmarAudioLatency'];
});

EM_JS(void, audio_volume, (int id, int volume), {
  const s = Module['velmarStreams'][id];
  if (s && s.gain) s.gain.gain.value = volume / 255;
});

// Silences a playing stream for good.
EM_JS(void, audio_stop, (int id), {
  const s = Module['velmarStreams'] && Module['velmarStreams'][id];
  if (!s || !s.source || s.stopped) return;
  try { s.source.stop(); } catch (e) {}
  s.source.disconnect();
  s.gain.disconnect();
  s.stopped = performance.now();
});

EM_JS(void, audio_free, (int id), {
  const s = Module['velmarStreams'] && Module['velmarStreams'][id];
  if (!s) return;
  if (s.source && !s.stopped) { try { s.source.stop(); } catch (e) {} s.source.disconnect(); s.gain.disconnect(); }
  delete Module['velmarStreams'][id];
});

void web_drivers(int, std::vector<std::string>* names) { names->assign(1, "Web Audio"); }

int web_open(int output, const char*, int) {
  g = State{};
  const int sound = output != FSOUND_OUTPUT_NOSOUND;
  if (sound && !audio_ready()) return 0;
  g.sound = sound;
  return 1;
}

void web_close(void) { g.sound = 0; }

// The browser decodes the whole file at once, so it is read here and closed.
int web_stream_open(std::FILE* file, void** stream, int* rate, int* length) {
  std::vector<unsigned char> bytes;
  unsigned char piece[65536];
  for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.insert(bytes.end(), piece, piece + n);
  std::fclose(file);
  const int id = bytes.empty() ? 0 : audio_decode(bytes.data(), int(bytes.size()), rate, length);
  if (!id) return FMOD_ERR_FILE_FORMAT;
  *stream = new WebStream{id, *rate};
  return FMOD_ERR_NONE;
}

// The whole buffer is there: a start anywhere needs nothing ahead.
int web_stream_seek(void*, long long) { return 1; }

int web_stream_play(void* stream, long long frame, int volume) {
  auto* s = static_cast<WebStream*>(stream);
  if (!audio_play(s->id, double(frame) / double(s->rate), volume)) return 0;
  s->started = timeGetTime() - DWORD(frame * 1000 / s->rate);
  s->stopped = 0;
  return 1;
}

void web_stream_stop(void* stream) {
  auto* s = static_cast<WebStream*>(stream);
  audio_stop(s->id);
  s->stopped = 1;
}

void web_stream_free(void* stream) {
  auto* s = static_cast<WebStream*>(stream);
  audio_free(s->id);
  delete s;
}

long long web_stream_heard(void* stream) {
  auto* s = static_cast<WebStream*>(stream);
  const double heard = audio_heard(s->id);
  if (!s->stopped) {
    g.offsetMs = heard * 1000.0 - double(timeGetTime() - s->started);
    if (std::abs(g.offsetMs) > std::abs(g.worstOffsetMs)) g.worstOffsetMs = g.offsetMs;
  }
  return (long long)(std::max(0.0, heard) * double(s->rate));
}

void web_stream_volume(void* stream, int volume) { audio_volume(static_cast<WebStream*>(stream)->id, volume); }

void web_report(PL_SoundReport* report) {
  *report = PL_SoundReport{};
  report->output = g.sound ? "webaudio" : "none";
  report->rate = g.sound ? audio_rate() : 0;
  const double latency = g.sound ? audio_latency() : -1;
  report->latencyMeasured = latency >= 0;
  report->latencyMs = latency > 0 ? latency : 0;
  report->offsetMs = g.offsetMs;
  report->worstOffsetMs = g.worstOffsetMs;
}

}  // namespace

const PL_SoundBackend PL_soundBackend = {
    web_drivers,     web_open,        web_close,        web_stream_open,  web_stream_seek, web_stream_play,
    web_stream_stop, web_stream_free, web_stream_heard, web_stream_volume, web_report,
};
