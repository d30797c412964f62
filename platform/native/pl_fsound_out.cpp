// The sound outputs: a PulseAudio stream of our own where a Pulse server (PulseAudio or
// PipeWire's) answers for the default output, SDL2 audio otherwise. Both call PL_FsoundFill
// from their own thread with the instant at which the block they ask for will be heard: Pulse
// reports its latency (the stream's timing, interpolated between the server's updates); SDL
// does not, so it is estimated as one device period, smoothed over the callbacks.
#include <pulse/pulseaudio.h>
#include <SDL2/SDL.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/native/pl_fsound_internal.h"
#include "platform/pl_platform.h"

namespace {

// ---- PulseAudio

// The latency asked of the server (it keeps about half in the stream's buffer): enough that a
// machine busy with other work seldom lets the buffer run dry.
constexpr pa_usec_t kPulseTargetUs = 200000;
constexpr long long kNsPerSecond = 1000000000;

struct Pulse {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  int rate = 0;
  long long written = 0;  // frames written since the stream was made
  int prioritised = 0;
  int behind = 0;  // the last block was written behind the read position
  std::atomic<double> latencyMs{0.0};
} g_pulse;

// The thread that feeds the device is woken every few tens of milliseconds and works for well
// under one: a real-time priority, where the system grants one, keeps a busy machine from
// making it late. Otherwise a nice value of -11, where the system allows it (RLIMIT_NICE).
// Both are the levels a PulseAudio server takes for its own threads by default
// (realtime-priority 5, nice-level -11), so this thread never runs ahead of the server's.
constexpr int kRealtimeAboveMin = 4;  // SCHED_RR's lowest is 1 on Linux: priority 5
constexpr int kNiceValue = -11;

void raise_priority() {
  sched_param param{};
  param.sched_priority = sched_get_priority_min(SCHED_RR) + kRealtimeAboveMin;
  if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
  setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), kNiceValue);
}

void pulse_signal(void*) { pa_threaded_mainloop_signal(g_pulse.loop, 0); }
void pulse_context_state(pa_context*, void* u) { pulse_signal(u); }
void pulse_stream_state(pa_stream*, void* u) { pulse_signal(u); }
// After an underrun the interpolated playback time is guessed from old timing: ask for new.
void pulse_underflow(pa_stream* stream, void*) {
  PL_soundCounters.underruns++;
  if (pa_operation* o = pa_stream_update_timing_info(stream, nullptr, nullptr)) pa_operation_unref(o);
}

// The server wants `bytes` more: mixed for the instant the first of them will be heard. That
// is when the playback time (interpolated from the server's timing, the sink's latency taken
// into account) reaches what was written; after an underrun it may lie in the past, which the
// server's own latency figure does not show.
void pulse_write(pa_stream* stream, std::size_t bytes, void*) {
  if (!g_pulse.prioritised && pa_threaded_mainloop_in_thread(g_pulse.loop)) {  // not the first call, from open
    raise_priority();
    g_pulse.prioritised = 1;
  }
  const long long now = PL_TimerNowNs();
  pa_usec_t played = 0;
  long long latencyNs = 0;
  if (pa_stream_get_time(stream, &played) == 0)
    latencyNs = std::llround(double(g_pulse.written) * 1e9 / g_pulse.rate) - (long long)played * 1000;  // µs to ns
  g_pulse.latencyMs = double(latencyNs) / 1e6;
  // Behind the server's read position (it played on through an underrun): that much of what
  // follows is dropped unheard, counted once a time.
  if (latencyNs < 0 && !g_pulse.behind) PL_soundCounters.skippedFrames += -latencyNs * g_pulse.rate / kNsPerSecond;
  g_pulse.behind = latencyNs < 0;
  long long heard = now + latencyNs;
  const int frameBytes = int(sizeof(std::int16_t)) * PL_SOUND_CHANNELS;
  while (bytes >= std::size_t(frameBytes)) {
    void* data = nullptr;
    std::size_t n = bytes;
    if (pa_stream_begin_write(stream, &data, &n) < 0 || !data) return;
    const int frames = int(std::min(n, bytes) / std::size_t(frameBytes));
    if (frames == 0) {
      pa_stream_cancel_write(stream);
      return;
    }
    PL_FsoundFill(static_cast<std::int16_t*>(data), frames, g_pulse.rate, heard);
    pa_stream_write(stream, data, std::size_t(frames * frameBytes), nullptr, 0, PA_SEEK_RELATIVE);
    g_pulse.written += frames;
    heard += std::llround(frames * 1e9 / g_pulse.rate);
    bytes -= std::size_t(frames * frameBytes);
  }
}

void pulse_close() {
  if (g_pulse.loop) pa_threaded_mainloop_lock(g_pulse.loop);
  if (g_pulse.stream) pa_stream_disconnect(g_pulse.stream);
  if (g_pulse.context) pa_context_disconnect(g_pulse.context);
  if (g_pulse.loop) {
    pa_threaded_mainloop_unlock(g_pulse.loop);
    pa_threaded_mainloop_stop(g_pulse.loop);
  }
  if (g_pulse.stream) pa_stream_unref(g_pulse.stream);
  if (g_pulse.context) pa_context_unref(g_pulse.context);
  if (g_pulse.loop) pa_threaded_mainloop_free(g_pulse.loop);
  g_pulse.loop = nullptr;
  g_pulse.context = nullptr;
  g_pulse.stream = nullptr;
}

// Waits, with the loop locked, until `ready` says yes (1) or no (-1).
template <typename Ready>
int pulse_wait(Ready ready) {
  for (;;) {
    const int r = ready();
    if (r) return r > 0;
    pa_threaded_mainloop_wait(g_pulse.loop);
  }
}

// Connects to the server without starting one, and plays at the sink's own rate, so the
// stream is converted once, here.
int pulse_open(int rate) {
  g_pulse.written = 0;
  g_pulse.prioritised = 0;
  g_pulse.loop = pa_threaded_mainloop_new();
  if (!g_pulse.loop) return 0;
  g_pulse.context = pa_context_new(pa_threaded_mainloop_get_api(g_pulse.loop), "Velmar");
  if (!g_pulse.context) return pulse_close(), 0;
  pa_context_set_state_callback(g_pulse.context, pulse_context_state, nullptr);
  if (pa_context_connect(g_pulse.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return pulse_close(), 0;
  pa_threaded_mainloop_lock(g_pulse.loop);
  int ok = pa_threaded_mainloop_start(g_pulse.loop) == 0 && pulse_wait([] {
    const pa_context_state_t st = pa_context_get_state(g_pulse.context);
    return st == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(st) ? 0 : -1;
  });
  const pa_sample_spec format{PA_SAMPLE_S16NE, std::uint32_t(rate), PL_SOUND_CHANNELS};
  if (ok) ok = (g_pulse.stream = pa_stream_new(g_pulse.context, "Soundtrack", &format, nullptr)) != nullptr;
  if (ok) {
    pa_stream_set_state_callback(g_pulse.stream, pulse_stream_state, nullptr);
    pa_stream_set_underflow_callback(g_pulse.stream, pulse_underflow, nullptr);
    pa_buffer_attr attr{};
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(pa_usec_to_bytes(kPulseTargetUs, &format));
    // No prebuffering: the server plays on through an underrun (what comes too late is
    // dropped), so every device frame keeps its time and the sound stays on schedule.
    attr.prebuf = 0;
    // Asked for more once a fifth of the target has played: writes of about 40 ms, often
    // enough that the buffer stays near its target, seldom enough to cost little.
    attr.minreq = std::uint32_t(pa_usec_to_bytes(kPulseTargetUs / 5, &format));
    attr.fragsize = std::uint32_t(-1);
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                         PA_STREAM_ADJUST_LATENCY | PA_STREAM_FIX_RATE | PA_STREAM_START_CORKED);
    ok = pa_stream_connect_playback(g_pulse.stream, nullptr, &attr, flags, nullptr, nullptr) == 0 && pulse_wait([] {
      const pa_stream_state_t st = pa_stream_get_state(g_pulse.stream);
      return st == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(st) ? 0 : -1;
    });
  }
  if (ok) {
    g_pulse.rate = int(pa_stream_get_sample_spec(g_pulse.stream)->rate);
    pa_stream_set_write_callback(g_pulse.stream, pulse_write, nullptr);
    pulse_write(g_pulse.stream, pa_stream_writable_size(g_pulse.stream), nullptr);
    pa_operation* start = pa_stream_cork(g_pulse.stream, 0, nullptr, nullptr);
    if (start) pa_operation_unref(start);
  }
  pa_threaded_mainloop_unlock(g_pulse.loop);
  if (!ok) pulse_close();
  return ok;
}

// The default output goes to Pulse unless SDL is told to use another driver.
bool pulse_wanted() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  return !driver || !*driver || !std::strcmp(driver, "pulseaudio") || !std::strcmp(driver, "pulse");
}

// ---- SDL2

struct Sdl {
  SDL_AudioDeviceID device = 0;
  int rate = 0, period = 0;
  long long heard = 0;  // when the next callback's first frame is due (0: not known yet)
} g_sdl;

const char* sdl_driver_of(int output) { return output == FSOUND_OUTPUT_ALSA ? "alsa" : nullptr; }

void sdl_callback(void*, Uint8* out, int len) {
  const int frames = len / int(sizeof(std::int16_t) * PL_SOUND_CHANNELS);
  const double periodNs = 1e9 / g_sdl.rate;
  // The block before this one is still playing; jitter of the callback is averaged out.
  const long long estimate = PL_TimerNowNs() + std::llround(g_sdl.period * periodNs);
  const long long gap = estimate - g_sdl.heard;
  // A jump of more than 50 ms is a stall or a restart, taken at once; smaller gaps are jitter
  // of the callback's wake-up, of which a sixteenth is taken each period.
  if (g_sdl.heard == 0 || std::llabs(gap) > 50000000) g_sdl.heard = estimate;
  else g_sdl.heard += gap / 16;
  PL_FsoundFill(reinterpret_cast<std::int16_t*>(out), frames, g_sdl.rate, g_sdl.heard);
  g_sdl.heard += std::llround(frames * periodNs);
}

int sdl_open(int output, const char* device, int rate, PL_SoundDevice* got) {
  if (SDL_AudioInit(sdl_driver_of(output)) != 0) return 0;
  SDL_AudioSpec want{}, granted{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = PL_SOUND_CHANNELS;
  // A period of 23 ms at 44.1 kHz: the latency, estimated as one period, stays small, and the
  // callback is woken seldom enough to be cheap.
  want.samples = 1024;
  want.callback = sdl_callback;
  g_sdl.heard = 0;
  g_sdl.device = SDL_OpenAudioDevice(device, 0, &want, &granted, 0);
  if (!g_sdl.device) {
    SDL_AudioQuit();
    return 0;
  }
  g_sdl.rate = granted.freq;
  g_sdl.period = granted.samples;
  const char* driver = SDL_GetCurrentAudioDriver();
  got->rate = granted.freq;
  got->name = std::string("sdl:") + (driver ? driver : "?");
  got->measured = 0;
  SDL_PauseAudioDevice(g_sdl.device, 0);
  return 1;
}

}  // namespace

int PL_SoundOutOpen(int output, const char* device, int rate, PL_SoundDevice* got) {
  // A named device is one of SDL's names, so it goes through SDL.
  if (output == FSOUND_OUTPUT_DEFAULT && !device && pulse_wanted() && pulse_open(rate)) {
    got->rate = g_pulse.rate;
    got->name = "pulseaudio";
    got->measured = 1;
    return 1;
  }
  return sdl_open(output, device, rate, got);
}

void PL_SoundOutClose(void) {
  if (g_pulse.loop) pulse_close();
  if (g_sdl.device) {
    SDL_CloseAudioDevice(g_sdl.device);  // the callback has stopped when this returns
    g_sdl.device = 0;
    SDL_AudioQuit();
  }
}

double PL_SoundOutLatencyMs(void) {
  if (g_pulse.loop) return g_pulse.latencyMs;
  return g_sdl.device ? g_sdl.period * 1000.0 / g_sdl.rate : 0.0;
}

void PL_SoundOutDevices(int output, std::vector<std::string>* names) {
  names->clear();
  if (SDL_AudioInit(sdl_driver_of(output)) != 0) return;
  const char* current = SDL_GetCurrentAudioDriver();
  names->push_back(std::string("Default (") + (current ? current : "?") + ")");
  const int n = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < n; i++)
    if (const char* name = SDL_GetAudioDeviceName(i, 0)) names->emplace_back(name);
  SDL_AudioQuit();
}
