// The FSOUND calls, for every backend: the checks and error codes, the channels and their
// volumes, where a stream starts, the no-sound output's position on the multimedia timer and
// the list of open streams. What sounds is the backend's (pl_fsound_backend.h): it opens the
// output and decodes, starts, stops and measures the streams. All calls come from one thread.
#include "platform/pl_fsound.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/pl_fsound_backend.h"
#include "platform/pl_platform.h"

struct FSOUND_STREAM {
  void* sound = nullptr;  // the backend's record
  int rate = 0;           // frames per second
  int length = 0;         // frames at `rate`
  int channel = -1;       // -1 until played, -2 once replaced on its channel
  DWORD started = 0;      // the timer's value when its first frame was due (no-sound output)
  long long startFrame = 0;
};

namespace {

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 1024;

struct Channel {
  FSOUND_STREAM* stream = nullptr;
  int volume = 255;
};

struct State {
  const PL_SoundBackend* backend = &PL_soundBackend;
  int output = FSOUND_OUTPUT_DEFAULT;
  int driver = 0;
  int error = FMOD_ERR_NONE;
  int initialised = 0;
  int sound = 0;  // an output is open (not "No Sound")

  int driversOf = -1;  // the output the driver list below belongs to
  std::vector<std::string> drivers;

  std::vector<Channel> channels;
  std::vector<FSOUND_STREAM*> streams;
};

State g;

// Records the failure's code and hands back the call's failure value.
template <typename T = BOOL>
T fail(int code, T value = FALSE) {
  g.error = code;
  return value;
}

// The output's devices, asked again only when the output changed.
void ensure_drivers() {
  if (g.driversOf == g.output) return;
  g.driversOf = g.output;
  if (g.output == FSOUND_OUTPUT_NOSOUND) g.drivers.assign(1, "No Sound");
  else g.backend->drivers(g.output, &g.drivers);
}

bool known_stream(FSOUND_STREAM* s) { return s && std::find(g.streams.begin(), g.streams.end(), s) != g.streams.end(); }

bool valid_channel(int channel) { return channel >= 0 && channel < int(g.channels.size()); }

void free_stream(FSOUND_STREAM* s) {
  g.backend->streamFree(s->sound);
  delete s;
}

// Takes a stream off its channel for good; its sound stops and its position stands still.
void replace(FSOUND_STREAM* s) {
  if (g.sound) g.backend->streamStop(s->sound);
  g.channels[std::size_t(s->channel)].stream = nullptr;
  s->channel = -2;
}

}  // namespace

void PL_SoundUseBackend(const PL_SoundBackend* backend) {
  if (g.initialised) return;
  g.backend = backend ? backend : &PL_soundBackend;
  g.driversOf = -1;
}

void PL_SoundGetReport(PL_SoundReport* report) {
  if (report) g.backend->report(report);
}

BOOL FSOUND_SetHWND(HWND) { return g.initialised ? fail(FMOD_ERR_BUSY) : TRUE; }

BOOL FSOUND_SetOutput(int output) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (output != FSOUND_OUTPUT_NOSOUND && output != FSOUND_OUTPUT_ALSA && output != FSOUND_OUTPUT_DEFAULT)
    return fail(FMOD_ERR_INVALID_PARAM);
  g.output = output;
  ensure_drivers();
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
  if (driver < 0 || driver >= int(g.drivers.size())) return fail<const char*>(FMOD_ERR_INVALID_PARAM, nullptr);
  return g.drivers[std::size_t(driver)].c_str();
}

BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int) {
  if (g.initialised) return fail(FMOD_ERR_BUSY);
  if (mixRate < kMinRate || mixRate > kMaxRate || maxChannels < 0 || maxChannels > kMaxChannels)
    return fail(FMOD_ERR_INVALID_PARAM);
  ensure_drivers();
  // Driver 0 (or a driver the list does not have) is the output's default device.
  const bool named = g.output != FSOUND_OUTPUT_NOSOUND && g.driver >= 1 && g.driver < int(g.drivers.size());
  if (!g.backend->open(g.output, named ? g.drivers[std::size_t(g.driver)].c_str() : nullptr, mixRate))
    return fail(FMOD_ERR_INIT);
  g.sound = g.output != FSOUND_OUTPUT_NOSOUND;
  g.channels.assign(std::size_t(maxChannels), Channel{});
  g.initialised = 1;
  return TRUE;
}

void FSOUND_Close(void) {
  if (!g.initialised) return;
  g.backend->close();
  for (FSOUND_STREAM* s : g.streams) free_stream(s);
  g.streams.clear();
  g.channels.clear();
  g.sound = 0;
  g.initialised = 0;
}

int FSOUND_GetError(void) { return g.error; }

FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int size) {
  if (!g.initialised) return fail<FSOUND_STREAM*>(FMOD_ERR_UNINITIALIZED, nullptr);
  // The sample-format bits only apply to raw PCM data; a compressed stream plays as encoded,
  // but contradictory bits are still refused.
  if (!name || size != 0 || ((mode & FSOUND_8BITS) && (mode & FSOUND_16BITS)) ||
      ((mode & FSOUND_MONO) && (mode & FSOUND_STEREO)))
    return fail<FSOUND_STREAM*>(FMOD_ERR_INVALID_PARAM, nullptr);
  errno = 0;
  std::FILE* file = PL_Fopen(name, "rb");
  if (!file) {
    const int e = errno;
    const bool missing = e == ENOENT || e == ENOTDIR || e == ENAMETOOLONG || e == 0;
    return fail<FSOUND_STREAM*>(missing ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD, nullptr);
  }
  auto* s = new FSOUND_STREAM;
  const int code = g.backend->streamOpen(file, &s->sound, &s->rate, &s->length);
  if (code != FMOD_ERR_NONE || s->rate <= 0 || s->length <= 0) {
    if (code == FMOD_ERR_NONE) g.backend->streamFree(s->sound);  // decoded, but to nothing playable
    delete s;
    return fail<FSOUND_STREAM*>(code != FMOD_ERR_NONE ? code : FMOD_ERR_FILE_FORMAT, nullptr);
  }
  g.streams.push_back(s);
  return s;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED, -1);
  if (!known_stream(stream) || channel < FSOUND_FREE || channel >= int(g.channels.size()))
    return fail(FMOD_ERR_INVALID_PARAM, -1);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY, -1);  // a stream plays once
  if (channel == FSOUND_FREE) {
    for (int c = 0; c < int(g.channels.size()) && channel < 0; c++)
      if (!g.channels[std::size_t(c)].stream) channel = c;
    if (channel < 0) return fail(FMOD_ERR_CHANNEL_ALLOC, -1);
  }
  // The stream on the channel goes first, so the two never sound together; should the new
  // one not start, the channel is left free.
  Channel& ch = g.channels[std::size_t(channel)];
  if (ch.stream) replace(ch.stream);
  if (g.sound && !g.backend->streamPlay(stream->sound, stream->startFrame, 255)) return fail(FMOD_ERR_PLAY, -1);
  ch.stream = stream;
  ch.volume = 255;
  stream->channel = channel;
  stream->started = timeGetTime() - DWORD(stream->startFrame * 1000 / stream->rate);
  return channel;
}

BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel >= 0) g.channels[std::size_t(stream->channel)].stream = nullptr;
  g.streams.erase(std::find(g.streams.begin(), g.streams.end(), stream));
  free_stream(stream);
  return TRUE;
}

BOOL FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds) {
  if (!known_stream(stream) || milliseconds < 0) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY);
  const long long frame = std::min<long long>((long long)milliseconds * stream->rate / 1000, stream->length);
  if (!g.backend->streamSeek(stream->sound, frame)) return fail(FMOD_ERR_FILE_BAD);
  stream->startFrame = frame;
  return TRUE;
}

unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0u);
  if (stream->channel == -1) return 0;
  long long frames;
  if (g.sound) {
    frames = g.backend->streamHeard(stream->sound);
  } else {
    const DWORD elapsed = timeGetTime() - stream->started;  // wraps like the counter
    frames = (long long)elapsed * stream->rate / 1000;
  }
  return unsigned(std::clamp<long long>(frames, 0, stream->length));
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0);
  return stream->length;
}

BOOL FSOUND_SetVolume(int channel, int volume) {
  if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED);
  if (!valid_channel(channel)) return fail(FMOD_ERR_INVALID_PARAM);
  Channel& ch = g.channels[std::size_t(channel)];
  ch.volume = std::clamp(volume, 0, 255);
  if (ch.stream && g.sound) g.backend->streamVolume(ch.stream->sound, ch.volume);
  return TRUE;
}

int FSOUND_GetVolume(int channel) {
  if (!g.initialised || !valid_channel(channel)) return -1;
  return g.channels[std::size_t(channel)].volume;
}
