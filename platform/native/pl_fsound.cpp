// The FSOUND calls on libmpg123, libsamplerate and the outputs of pl_fsound_out.cpp. A stream
// is decoded at the file's own quality on a thread of its own, a second ahead; the output's
// thread only takes decoded frames, converts them to the device's rate, mixes the channels
// with their volumes and keeps every stream on the timer's schedule (pl_fsound_mix.cpp).
// FSOUND_Stream_Play returns at the instant the stream's first frame is heard, so the show's
// clock, taken right after it, and the ear agree. The main thread attaches and detaches streams
// under the mix lock, which the output's thread holds only while it mixes a block.
#include "platform/pl_fsound.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/pl_fsound_internal.h"
#include "platform/pl_platform.h"

namespace {

struct Channel {
  FSOUND_STREAM* stream = nullptr;  // changed only under the mix lock
  std::atomic<int> volume{255};
};

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 1024;
constexpr int kPieceFrames = 1024;         // the mix is made in pieces of this many frames
constexpr double kDriftAfterSeconds = 2.0;  // the device's clock is compared from then on
constexpr long long kSettleNs = 300000000;

struct State {
  int output = FSOUND_OUTPUT_DEFAULT;
  int driver = 0;
  HWND window = nullptr;
  int error = FMOD_ERR_NONE;
  int initialised = 0;

  int driversOf = -1;  // the output the driver list below belongs to
  std::vector<std::string> drivers;

  int open = 0;  // an output is open (not "No Sound")
  PL_SoundDevice device;
  std::mutex mixLock;
  std::vector<float> mix;  // one piece, the channels summed (output's thread)
  std::atomic<long long> mixedUntilNs{0};  // when the frame after the last one mixed is heard
  std::atomic<int> fills{0};
  std::atomic<long long> firstFillNs{0};  // when the open output first asked for a block
  // The device's clock against the timer: device frames and when they are heard, at the
  // first block after kDriftAfterSeconds and now.
  long long fillFrames = 0, firstFill = 0, driftFrames = 0, driftNs = 0;
  int driftUnderruns = 0;
  std::atomic<double> driftPpm{0.0};

  std::unique_ptr<Channel[]> channels;
  int channelCount = 0;
  std::vector<FSOUND_STREAM*> streams;
};

State g;

// Records the failure's code and hands back the call's failure value.
template <typename T = BOOL>
T fail(int code, T value = FALSE) {
  g.error = code;
  return value;
}

// Asks the output for its devices: the default device first, then the devices it names.
void refresh_drivers() {
  g.driversOf = g.output;
  if (g.output == FSOUND_OUTPUT_NOSOUND) {
    g.drivers.assign(1, "No Sound");
    return;
  }
  PL_SoundOutDevices(g.output, &g.drivers);
}

void ensure_drivers() {
  if (g.driversOf != g.output) refresh_drivers();
}

bool known_stream(FSOUND_STREAM* s) { return s && std::find(g.streams.begin(), g.streams.end(), s) != g.streams.end(); }

void measure_drift(int frames, int rate, long long heardNs) {
  if (g.fillFrames == 0) g.firstFill = heardNs;
  g.fillFrames += frames;
  if (heardNs - g.firstFill < (long long)(kDriftAfterSeconds * 1e9)) return;
  if (g.driftNs == 0 || g.driftUnderruns != PL_soundCounters.underruns) {
    // From the start, and again after the output ran dry (its clock stood still meanwhile).
    g.driftFrames = g.fillFrames;
    g.driftNs = heardNs;
    g.driftUnderruns = PL_soundCounters.underruns;
    return;
  }
  const double seconds = double(heardNs - g.driftNs) * 1e-9;
  if (seconds > 10.0) g.driftPpm = (double(g.fillFrames - g.driftFrames) / rate / seconds - 1.0) * 1e6;
}

// An output reports its timing well only once it has run for a while: a server may take a
// moment to start its sink, and its first reports are guesses.
bool output_settled() { return g.fills >= 3 && PL_TimerNowNs() - g.firstFillNs > kSettleNs; }

}  // namespace

void PL_FsoundFill(std::int16_t* out, int frames, int rate, long long heardNs) {
  std::lock_guard<std::mutex> lock(g.mixLock);
  measure_drift(frames, rate, heardNs);
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, kPieceFrames);
    const long long at = heardNs + std::llround(done * 1e9 / rate);
    std::fill(g.mix.begin(), g.mix.begin() + n * PL_SOUND_CHANNELS, 0.0f);
    for (int c = 0; c < g.channelCount; c++)
      if (FSOUND_STREAM* s = g.channels[c].stream)
        PL_StreamMix(s, g.mix.data(), n, at, rate, float(g.channels[c].volume.load()) / 255.0f);
    for (int i = 0; i < n * PL_SOUND_CHANNELS; i++)
      out[done * PL_SOUND_CHANNELS + i] = std::int16_t(std::lrint(std::clamp(g.mix[std::size_t(i)] * 32768.0f, -32768.0f, 32767.0f)));
    done += n;
  }
  g.mixedUntilNs = heardNs + std::llround(frames * 1e9 / rate);
  if (g.fills++ == 0) g.firstFillNs = PL_TimerNowNs();
}

void PL_SoundGetReport(PL_SoundReport* r) {
  static std::string name;
  name = g.open ? g.device.name : "none";
  r->output = name.c_str();
  r->rate = g.open ? g.device.rate : 0;
  r->latencyMeasured = g.open && g.device.measured;
  r->latencyMs = g.open ? PL_SoundOutLatencyMs() : 0.0;
  r->underruns = PL_soundCounters.underruns;
  r->starved = PL_soundCounters.starved;
  r->skips = PL_soundCounters.skips;
  r->skippedMs = r->rate ? double(PL_soundCounters.skippedFrames) * 1000.0 / r->rate : 0.0;
  r->driftPpm = g.driftPpm;
  r->offsetMs = PL_soundCounters.offsetMs;
  r->worstOffsetMs = PL_soundCounters.worstOffsetMs;
}

BOOL FSOUND_SetHWND(HWND window) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  g.window = window;
  return TRUE;
}

BOOL FSOUND_SetOutput(int output) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (output != FSOUND_OUTPUT_NOSOUND && output != FSOUND_OUTPUT_ALSA && output != FSOUND_OUTPUT_DEFAULT)
    return fail(FMOD_ERR_INVALID_PARAM);
  g.output = output;
  refresh_drivers();
  return TRUE;
}

BOOL FSOUND_SetDriver(int driver) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  g.driver = driver;
  return TRUE;
}

int FSOUND_GetNumDrivers(void) {
  if (!g.initialised) ensure_drivers();
  return int(g.drivers.size());
}

const char* FSOUND_GetDriverName(int driver) {
  if (!g.initialised) ensure_drivers();
  if (driver < 0 || driver >= int(g.drivers.size())) {
    return fail<const char*>(FMOD_ERR_INVALID_PARAM, nullptr);
  }
  return g.drivers[std::size_t(driver)].c_str();
}

BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (mixRate < kMinRate || mixRate > kMaxRate || maxChannels < 0 || maxChannels > kMaxChannels)
    return fail(FMOD_ERR_INVALID_PARAM);
  ensure_drivers();
  g.channels = std::make_unique<Channel[]>(std::size_t(maxChannels));
  g.channelCount = maxChannels;
  g.mix.assign(std::size_t(kPieceFrames * PL_SOUND_CHANNELS), 0.0f);
  g.mixedUntilNs = 0;
  g.fills = 0;
  g.fillFrames = g.driftNs = 0;
  g.driftPpm = 0.0;
  PL_soundCounters.underruns = 0;
  PL_soundCounters.starved = 0;
  PL_soundCounters.skips = 0;
  PL_soundCounters.skippedFrames = 0;
  PL_soundCounters.offsetMs = 0.0;
  PL_soundCounters.worstOffsetMs = 0.0;
  if (g.output != FSOUND_OUTPUT_NOSOUND) {
    // Driver 0 (or a driver the list does not have) is the output's default device.
    const char* name = (g.driver >= 1 && g.driver < int(g.drivers.size())) ? g.drivers[g.driver].c_str() : nullptr;
    if (!PL_SoundOutOpen(g.output, name, mixRate, &g.device)) {
      g.channels.reset();
      g.channelCount = 0;
      return fail(FMOD_ERR_INIT);
    }
    g.open = 1;
    g.fills = 0;  // from here on, every block was asked for by the running output
  }
  g.initialised = 1;
  return TRUE;
}

void FSOUND_Close(void) {
  if (!g.initialised) return;
  if (g.open) PL_SoundOutClose();  // the output's thread has stopped when this returns
  g.open = 0;
  for (FSOUND_STREAM* s : g.streams) PL_StreamFree(s);
  g.streams.clear();
  g.channels.reset();
  g.channelCount = 0;
  g.initialised = 0;
}

int FSOUND_GetError(void) { return g.error; }

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int size) {
  if (!g.initialised) {
    return fail<FSOUND_STREAM*>(FMOD_ERR_UNINITIALIZED, nullptr);
  }
  if (!name || size != 0 || ((mode & FSOUND_8BITS) && (mode & FSOUND_16BITS)) ||
      ((mode & FSOUND_MONO) && (mode & FSOUND_STEREO))) {
    return fail<FSOUND_STREAM*>(FMOD_ERR_INVALID_PARAM, nullptr);
  }
  errno = 0;
  std::FILE* file = PL_Fopen(name, "rb");
  if (!file) {
    int e = errno;
    fail(e == ENOENT || e == ENOTDIR || e == ENAMETOOLONG || e == 0 ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD);
    return nullptr;
  }
  auto* s = new FSOUND_STREAM;
  s->file = file;
  // The sample-format bits only apply to raw PCM data; a compressed stream plays as encoded.
  int code = PL_StreamDecodeOpen(s);
  if (code == FMOD_ERR_NONE && g.open) {
    if (!PL_StreamMixNew(s)) code = FMOD_ERR_MEMORY;
    else PL_StreamDecodeStart(s);
  }
  if (code != FMOD_ERR_NONE) {
    PL_StreamFree(s);
    fail(code);
    return nullptr;
  }
  g.streams.push_back(s);
  return s;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED, -1);
  if (!known_stream(stream) || channel < FSOUND_FREE || channel >= g.channelCount)
    return fail(FMOD_ERR_INVALID_PARAM, -1);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY, -1);  // a stream plays once
  if (channel == FSOUND_FREE) {
    for (int c = 0; c < g.channelCount && channel < 0; c++)
      if (!g.channels[c].stream) channel = c;
    if (channel < 0) return fail(FMOD_ERR_CHANNEL_ALLOC, -1);
  }
  if (g.open) {
    // Half a second decoded, and an output that has settled, before the first frame is due.
    PL_StreamDecodeWaitAhead(stream, 2000);
    for (int waited = 0; waited < 2000 && !output_settled(); waited++) PL_TimerSleepUntilNs(PL_TimerNowNs() + 1000000);
  }
  long long due = 0;
  {
    std::lock_guard<std::mutex> lock(g.mixLock);
    if (FSOUND_STREAM* previous = g.channels[channel].stream) {
      previous->channel = -2;  // stopped for good
      previous->stoppedNs = PL_TimerNowNs();
    }
    // The first frame is due at the first whole millisecond of the timer that the output has
    // not mixed yet: this call returns then, and the show's clock starts at that reading.
    due = std::max(PL_TimerNowNs(), g.mixedUntilNs.load()) + 1000000;
    due -= due % 1000000;
    stream->startNs = due;
    g.channels[channel].stream = stream;
    g.channels[channel].volume = 255;
    stream->channel = channel;
    stream->started = timeGetTime() - DWORD(stream->startFrame * 1000 / stream->rate);
  }
  if (g.open) PL_TimerSleepUntilNs(due);
  return channel;
}

BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM);
  {
    std::lock_guard<std::mutex> lock(g.mixLock);
    if (stream->channel >= 0) g.channels[stream->channel].stream = nullptr;
  }
  g.streams.erase(std::find(g.streams.begin(), g.streams.end(), stream));
  PL_StreamFree(stream);
  return TRUE;
}

BOOL FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds) {
  if (!known_stream(stream) || milliseconds < 0) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY);
  long long frame = std::min<long long>((long long)milliseconds * stream->rate / 1000, stream->length);
  // Nothing reads the ring before the stream plays, so the decoder can move now.
  if (!PL_StreamDecodeSeek(stream, frame)) return fail(FMOD_ERR_FILE_BAD);
  stream->startFrame = frame;
  return TRUE;
}

unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0u);
  if (stream->channel == -1) return 0;
  long long frames;
  if (g.open) {
    // What has been heard: the schedule, less what the sound is behind it.
    long long now = PL_TimerNowNs();
    if (long long stopped = stream->stoppedNs) now = std::min(now, stopped);
    const long long end = stream->endNs;
    if (end && now >= end) return unsigned(stream->length);
    const double heard = double(now - stream->startNs) * 1e-9 * double(stream->rate) - stream->lag.load();
    // Never back: the lag is re-measured with every block the output mixes.
    frames = std::max(stream->heard, stream->startFrame + std::max<long long>(0, std::llround(heard)));
    stream->heard = frames;
  } else {
    DWORD elapsed = timeGetTime() - stream->started;  // wraps like the counter
    frames = (long long)elapsed * stream->rate / 1000;
  }
  return unsigned(std::min<long long>(frames, stream->length));
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0);
  return stream->length;
}

BOOL FSOUND_SetVolume(int channel, int volume) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED);
  if (channel < 0 || channel >= g.channelCount) return fail(FMOD_ERR_INVALID_PARAM);
  g.channels[channel].volume = std::clamp(volume, 0, 255);
  return TRUE;
}

int FSOUND_GetVolume(int channel) {
  if (!g.initialised || channel < 0 || channel >= g.channelCount) return -1;
  return g.channels[channel].volume;
}
