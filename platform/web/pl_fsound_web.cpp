// The FSOUND calls in the browser, on Web Audio. A stream is the whole file decoded by the
// browser (decodeAudioData) into an audio buffer; playing starts a buffer source through a
// gain node (the channel volume) a moment ahead, and FSOUND_Stream_Play returns when its first
// sample is heard, as the audio context reports its output (getOutputTimestamp, else its
// output and base latencies). The position is read from the audio clock, so the fade at the
// end follows what the viewer hears. The page makes the audio context on the click that starts
// the show, since a browser plays nothing before one.
//
// Output kinds: 2 and 1 the page's audio context (its one device, "Web Audio"), 0 no sound
// (streams still "play": their position runs in real time on the multimedia timer).
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/pl_fsound.h"
#include "platform/pl_platform.h"

struct FSOUND_STREAM {
  int id = 0;      // the page's record of the decoded buffer
  long rate = 0;   // frames per second of the decoded buffer
  int length = 0;  // sample frames at `rate`
  int channel = -1;
  DWORD started = 0;  // timer value at play (no-sound output)
  long long startFrame = 0;
};

namespace {

constexpr int kMaxChannels = 1024;

struct State {
  int output = FSOUND_OUTPUT_DEFAULT;
  int error = FMOD_ERR_NONE;
  int initialised = 0;
  int sound = 0;  // the audio context is used
  std::vector<int> volumes;
  std::vector<FSOUND_STREAM*> channels;
  std::vector<FSOUND_STREAM*> streams;
  // What the output did: the heard sound's distance from the timer's schedule (+: early).
  double offsetMs = 0, worstOffsetMs = 0;
};

State g;

template <typename T = BOOL>
T fail(int code, T value = FALSE) {
  g.error = code;
  return value;
}

bool known(FSOUND_STREAM* s) { return s && std::find(g.streams.begin(), g.streams.end(), s) != g.streams.end(); }

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

// Seconds of the stream heard so far.
EM_JS(double, audio_heard, (int id), {
  const s = Module['velmarStreams'][id];
  return s && s.source ? (performance.now() - s.heard) / 1000 + s.offset : 0;
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

EM_JS(void, audio_free, (int id), {
  const s = Module['velmarStreams'] && Module['velmarStreams'][id];
  if (!s) return;
  if (s.source) { try { s.source.stop(); } catch (e) {} s.source.disconnect(); s.gain.disconnect(); }
  delete Module['velmarStreams'][id];
});

void free_stream(FSOUND_STREAM* s) {
  if (s->id) audio_free(s->id);
  delete s;
}

}  // namespace

BOOL FSOUND_SetHWND(HWND) { return g.initialised ? fail(FMOD_ERR_BUSY) : TRUE; }

BOOL FSOUND_SetOutput(int output) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (output != FSOUND_OUTPUT_NOSOUND && output != FSOUND_OUTPUT_ALSA && output != FSOUND_OUTPUT_DEFAULT)
    return fail(FMOD_ERR_INVALID_PARAM);
  g.output = output;
  return TRUE;
}

BOOL FSOUND_SetDriver(int) { return g.initialised ? fail(FMOD_ERR_BUSY) : TRUE; }

int FSOUND_GetNumDrivers(void) { return 1; }

const char* FSOUND_GetDriverName(int driver) {
  if (driver != 0) return fail<const char*>(FMOD_ERR_INVALID_PARAM, nullptr);
  return g.output == FSOUND_OUTPUT_NOSOUND ? "No Sound" : "Web Audio";
}

BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (mixRate < 4000 || mixRate > 192000 || maxChannels < 0 || maxChannels > kMaxChannels)
    return fail(FMOD_ERR_INVALID_PARAM);
  g.sound = g.output != FSOUND_OUTPUT_NOSOUND;
  if (g.sound && !audio_ready()) return fail(FMOD_ERR_INIT);
  g.volumes.assign(std::size_t(maxChannels), 255);
  g.channels.assign(std::size_t(maxChannels), nullptr);
  g.initialised = 1;
  return TRUE;
}

void FSOUND_Close(void) {
  if (!g.initialised) return;
  for (FSOUND_STREAM* s : g.streams) free_stream(s);
  g.streams.clear();
  g.channels.clear();
  g.volumes.clear();
  g.initialised = 0;
}

int FSOUND_GetError(void) { return g.error; }

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int size) {
  if (!g.initialised) return fail<FSOUND_STREAM*>(FMOD_ERR_UNINITIALIZED, nullptr);
  if (!name || size != 0 || ((mode & FSOUND_8BITS) && (mode & FSOUND_16BITS)) ||
      ((mode & FSOUND_MONO) && (mode & FSOUND_STEREO)))
    return fail<FSOUND_STREAM*>(FMOD_ERR_INVALID_PARAM, nullptr);
  errno = 0;
  std::FILE* file = PL_Fopen(name, "rb");
  if (!file) return fail<FSOUND_STREAM*>(errno == ENOENT || errno == 0 ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD, nullptr);
  std::vector<unsigned char> bytes;
  unsigned char piece[65536];
  for (std::size_t n; (n = std::fread(piece, 1, sizeof piece, file)) > 0;) bytes.insert(bytes.end(), piece, piece + n);
  std::fclose(file);
  auto s = std::make_unique<FSOUND_STREAM>();
  int rate = 0, length = 0;
  s->id = bytes.empty() ? 0 : audio_decode(bytes.data(), int(bytes.size()), &rate, &length);
  if (!s->id || rate <= 0 || length <= 0) return fail<FSOUND_STREAM*>(FMOD_ERR_FILE_FORMAT, nullptr);
  s->rate = rate;
  s->length = length;
  g.streams.push_back(s.get());
  return s.release();
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED, -1);
  const int count = int(g.channels.size());
  if (!known(stream) || channel < FSOUND_FREE || channel >= count) return fail(FMOD_ERR_INVALID_PARAM, -1);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY, -1);  // a stream plays once
  if (channel == FSOUND_FREE) {
    for (int c = 0; c < count && channel < 0; c++)
      if (!g.channels[std::size_t(c)]) channel = c;
    if (channel < 0) return fail(FMOD_ERR_CHANNEL_ALLOC, -1);
  }
  if (FSOUND_STREAM* previous = g.channels[std::size_t(channel)]) previous->channel = -2;  // stopped for good
  g.channels[std::size_t(channel)] = stream;
  g.volumes[std::size_t(channel)] = 255;
  stream->channel = channel;
  if (g.sound && !audio_play(stream->id, double(stream->startFrame) / double(stream->rate), 255))
    return fail(FMOD_ERR_PLAY, -1);
  stream->started = timeGetTime() - DWORD(stream->startFrame * 1000 / stream->rate);
  return channel;
}

BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  if (!known(stream)) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel >= 0) g.channels[std::size_t(stream->channel)] = nullptr;
  g.streams.erase(std::find(g.streams.begin(), g.streams.end(), stream));
  free_stream(stream);
  return TRUE;
}

BOOL FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds) {
  if (!known(stream) || milliseconds < 0) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY);
  stream->startFrame = std::min<long long>((long long)milliseconds * stream->rate / 1000, stream->length);
  return TRUE;
}

unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream) {
  if (!known(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0u);
  if (stream->channel == -1) return 0;
  long long frames;
  if (g.sound) {
    const double heard = audio_heard(stream->id);
    g.offsetMs = heard * 1000.0 - double(timeGetTime() - stream->started);
    if (std::abs(g.offsetMs) > std::abs(g.worstOffsetMs)) g.worstOffsetMs = g.offsetMs;
    frames = (long long)(std::max(0.0, heard) * double(stream->rate));
  } else {
    DWORD elapsed = timeGetTime() - stream->started;  // wraps like the counter
    frames = (long long)elapsed * stream->rate / 1000;
  }
  return unsigned(std::min<long long>(frames, stream->length));
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream) {
  if (!known(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0);
  return stream->length;
}

BOOL FSOUND_SetVolume(int channel, int volume) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED);
  if (channel < 0 || channel >= int(g.channels.size())) return fail(FMOD_ERR_INVALID_PARAM);
  volume = std::clamp(volume, 0, 255);
  g.volumes[std::size_t(channel)] = volume;
  if (FSOUND_STREAM* s = g.channels[std::size_t(channel)]; s && g.sound) audio_volume(s->id, volume);
  return TRUE;
}

int FSOUND_GetVolume(int channel) {
  if (!g.initialised || channel < 0 || channel >= int(g.channels.size())) return -1;
  return g.volumes[std::size_t(channel)];
}

void PL_SoundGetReport(PL_SoundReport* report) {
  if (!report) return;
  *report = PL_SoundReport{};
  report->output = g.sound ? "webaudio" : "none";
  report->rate = g.sound ? audio_rate() : 0;
  const double latency = g.sound ? audio_latency() : -1;
  report->latencyMeasured = latency >= 0;
  report->latencyMs = latency > 0 ? latency : 0;
  report->offsetMs = g.offsetMs;
  report->worstOffsetMs = g.worstOffsetMs;
}
