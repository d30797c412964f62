// The native sound backend: libmpg123, libsamplerate and the outputs of pl_fsound_out.cpp. A
// stream is decoded at the file's own quality on a thread of its own, a second ahead; the
// output's thread only takes decoded frames, converts them to the device's rate, mixes the
// playing streams with their volumes and keeps every stream on the timer's schedule
// (pl_fsound_mix.cpp). A stream starts at the instant its first frame is heard, so the show's
// clock, taken right after FSOUND_Stream_Play, and the ear agree. The main thread adds and
// removes playing streams under the mix lock, which the output's thread holds only while it
// mixes a block.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/native/pl_fsound_internal.h"
#include "platform/pl_fsound_backend.h"
#include "platform/pl_platform.h"

namespace {

constexpr int kPieceFrames = 1024;          // the mix is made in pieces of this many frames
constexpr double kDriftAfterSeconds = 2.0;  // the device's clock is compared from then on
constexpr long long kSettleNs = 300000000;  // an output's timing is trusted after 0.3 s
constexpr int kWaitAheadMs = 2000;          // the longest a start waits for decoding or output

struct State {
  int open = 0;  // an output is open (not "No Sound")
  PL_SoundDevice device;
  std::mutex mixLock;
  std::vector<PL_SoundStream*> playing;  // changed only under the mix lock
  std::vector<float> mix;  // one piece, the streams summed (output's thread)
  std::atomic<long long> mixedUntilNs{0};  // when the frame after the last one mixed is heard
  std::atomic<int> fills{0};
  std::atomic<long long> firstFillNs{0};  // when the open output first asked for a block
  // The device's clock against the timer: device frames and when they are heard, at the
  // first block after kDriftAfterSeconds and now.
  long long fillFrames = 0, firstFill = 0, driftFrames = 0, driftNs = 0;
  int driftUnderruns = 0;
  std::atomic<double> driftPpm{0.0};
};

State g;

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

// Takes a stream out of the mix; it is heard no more from the next block on.
void unplay(PL_SoundStream* s) {
  std::lock_guard<std::mutex> lock(g.mixLock);
  if (!s->playing) return;
  g.playing.erase(std::find(g.playing.begin(), g.playing.end(), s));
  s->playing = 0;
}

int native_open(int output, const char* device, int rate) {
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
  if (output == FSOUND_OUTPUT_NOSOUND) return 1;
  if (!PL_SoundOutOpen(output, device, rate, &g.device)) return 0;
  g.open = 1;
  g.fills = 0;  // from here on, every block was asked for by the running output
  return 1;
}

void native_close(void) {
  if (g.open) PL_SoundOutClose();  // the output's thread has stopped when this returns
  g.open = 0;
  for (PL_SoundStream* s : g.playing) s->playing = 0;
  g.playing.clear();
}

int native_stream_open(std::FILE* file, void** stream, int* rate, int* length) {
  auto* s = new PL_SoundStream;
  s->file = file;
  int code = PL_StreamDecodeOpen(s);
  if (code == FMOD_ERR_NONE && g.open) {
    if (!PL_StreamMixNew(s)) code = FMOD_ERR_MEMORY;
    else PL_StreamDecodeStart(s);
  }
  if (code != FMOD_ERR_NONE) {
    PL_StreamFree(s);
    return code;
  }
  *stream = s;
  *rate = int(s->rate);
  *length = s->length;
  return FMOD_ERR_NONE;
}

// Nothing reads the ring before the stream plays, so the decoder can move now.
int native_stream_seek(void* stream, long long frame) {
  auto* s = static_cast<PL_SoundStream*>(stream);
  if (!PL_StreamDecodeSeek(s, frame)) return 0;
  s->startFrame = frame;
  return 1;
}

int native_stream_play(void* stream, long long frame, int volume) {
  auto* s = static_cast<PL_SoundStream*>(stream);
  if (!g.open || !s->mix.src) return 0;
  // Half a second decoded, and an output that has settled, before the first frame is due.
  PL_StreamDecodeWaitAhead(s, kWaitAheadMs);
  for (int waited = 0; waited < kWaitAheadMs && !output_settled(); waited++)
    PL_TimerSleepUntilNs(PL_TimerNowNs() + 1000000);
  long long due = 0;
  {
    std::lock_guard<std::mutex> lock(g.mixLock);
    // The first frame is due at the first whole millisecond of the timer that the output has
    // not mixed yet: the call returns then, and the show's clock starts at that reading.
    due = std::max(PL_TimerNowNs(), g.mixedUntilNs.load()) + 1000000;
    due -= due % 1000000;
    s->startNs = due;
    s->startFrame = frame;
    s->volume = volume;
    s->playing = 1;
    g.playing.push_back(s);
  }
  PL_TimerSleepUntilNs(due);
  return 1;
}

void native_stream_stop(void* stream) {
  auto* s = static_cast<PL_SoundStream*>(stream);
  unplay(s);
  s->stoppedNs = PL_TimerNowNs();
}

void native_stream_free(void* stream) {
  auto* s = static_cast<PL_SoundStream*>(stream);
  unplay(s);
  PL_StreamFree(s);
}

// What has been heard: the schedule, less what the sound is behind it.
long long native_stream_heard(void* stream) {
  auto* s = static_cast<PL_SoundStream*>(stream);
  long long now = PL_TimerNowNs();
  if (long long stopped = s->stoppedNs) now = std::min(now, stopped);
  const long long end = s->endNs;
  if (end && now >= end) return s->length;
  const double heard = double(now - s->startNs) * 1e-9 * double(s->rate) - s->lag.load();
  // Never back: the lag is re-measured with every block the output mixes.
  s->heard = std::max(s->heard, s->startFrame + std::max<long long>(0, std::llround(heard)));
  return s->heard;
}

void native_stream_volume(void* stream, int volume) { static_cast<PL_SoundStream*>(stream)->volume = volume; }

void native_drivers(int output, std::vector<std::string>* names) { PL_SoundOutDevices(output, names); }

void native_report(PL_SoundReport* r) {
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

}  // namespace

const PL_SoundBackend PL_soundBackend = {
    native_drivers,     native_open,        native_close,         native_stream_open,
    native_stream_seek, native_stream_play, native_stream_stop,   native_stream_free,
    native_stream_heard, native_stream_volume, native_report,
};

void PL_FsoundFill(std::int16_t* out, int frames, int rate, long long heardNs) {
  std::lock_guard<std::mutex> lock(g.mixLock);
  measure_drift(frames, rate, heardNs);
  for (int done = 0; done < frames;) {
    const int n = std::min(frames - done, kPieceFrames);
    const long long at = heardNs + std::llround(done * 1e9 / rate);
    std::fill(g.mix.begin(), g.mix.begin() + n * PL_SOUND_CHANNELS, 0.0f);
    for (PL_SoundStream* s : g.playing) PL_StreamMix(s, g.mix.data(), n, at, rate, float(s->volume.load()) / 255.0f);
    for (int i = 0; i < n * PL_SOUND_CHANNELS; i++)
      out[done * PL_SOUND_CHANNELS + i] = std::int16_t(std::lrint(std::clamp(g.mix[std::size_t(i)] * 32768.0f, -32768.0f, 32767.0f)));
    done += n;
  }
  g.mixedUntilNs = heardNs + std::llround(frames * 1e9 / rate);
  if (g.fills++ == 0) g.firstFillNs = PL_TimerNowNs();
}
