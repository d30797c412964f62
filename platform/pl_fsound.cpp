// The FSOUND calls on libmpg123 and SDL2 audio. One SDL output device (16-bit stereo at the
// mix rate) is opened by FSOUND_Init; its callback, on SDL's audio thread, decodes every
// playing stream a little ahead, converts it to the device's format and mixes the channels
// with their volumes. The main thread only attaches and detaches streams under the device
// lock and reads positions that the callback publishes atomically.
#include "platform/pl_fsound.h"

#include <SDL2/SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/pl_platform.h"

struct FSOUND_STREAM {
  std::FILE* file = nullptr;
  mpg123_handle* mh = nullptr;
  long rate = 0;
  int length = 0;                      // sample frames at `rate`
  SDL_AudioStream* conv = nullptr;     // decoded format -> device format; null without output
  std::vector<unsigned char> decoded;  // one decode call's worth
  int channel = -1;                    // -1 until played
  DWORD started = 0;                   // timer value at play (no-sound output)
  long long startFrame = 0;            // where play begins, in frames at `rate`
  int eof = 0;                         // decoder exhausted (audio thread)
  std::atomic<int> finished{0};        // everything decoded has been handed to the device
  std::atomic<long long> deviceFrames{0};
};

namespace {

struct Channel {
  FSOUND_STREAM* stream = nullptr;  // changed only under the device lock
  std::atomic<int> volume{255};
};

constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 1024;
constexpr std::size_t kDecodeBytes = 8192;

struct State {
  int output = FSOUND_OUTPUT_DEFAULT;
  int driver = 0;
  HWND window = nullptr;
  int error = FMOD_ERR_NONE;
  int initialised = 0;

  int driversOf = -1;  // the output the driver list below belongs to
  std::vector<std::string> drivers;

  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec granted{};
  std::vector<Sint16> piece;  // one stream's converted samples (audio thread)
  std::vector<Sint32> mix;    // the channels summed (audio thread)

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

// The SDL audio driver behind an output kind; null lets SDL choose (SDL_AUDIODRIVER first).
const char* sdl_driver_of(int output) { return output == FSOUND_OUTPUT_ALSA ? "alsa" : nullptr; }

// Asks the output for its devices: the default device first, then the devices SDL names.
void refresh_drivers() {
  g.drivers.clear();
  g.driversOf = g.output;
  if (g.output == FSOUND_OUTPUT_NOSOUND) {
    g.drivers.emplace_back("No Sound");
    return;
  }
  if (SDL_AudioInit(sdl_driver_of(g.output)) != 0) return;
  const char* current = SDL_GetCurrentAudioDriver();
  g.drivers.push_back(std::string("Default (") + (current ? current : "?") + ")");
  int n = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < n; i++)
    if (const char* name = SDL_GetAudioDeviceName(i, 0)) g.drivers.emplace_back(name);
  SDL_AudioQuit();
}

void ensure_drivers() {
  if (g.driversOf != g.output) refresh_drivers();
}

bool known_stream(FSOUND_STREAM* s) { return s && std::find(g.streams.begin(), g.streams.end(), s) != g.streams.end(); }

void free_stream(FSOUND_STREAM* s) {
  if (s->conv) SDL_FreeAudioStream(s->conv);
  if (s->mh) {
    mpg123_close(s->mh);
    mpg123_delete(s->mh);
  }
  if (s->file) std::fclose(s->file);
  delete s;
}

// Audio thread: up to `bytes` of the stream in the device format; returns what it gave.
int stream_pull(FSOUND_STREAM* s, Sint16* out, int bytes) {
  int idle = 0;  // a decoder that keeps giving nothing is treated as finished
  while (!s->eof && SDL_AudioStreamAvailable(s->conv) < bytes) {
    std::size_t done = 0;
    int r = mpg123_read(s->mh, s->decoded.data(), s->decoded.size(), &done);
    if (done > 0) {
      SDL_AudioStreamPut(s->conv, s->decoded.data(), int(done));
      idle = 0;
    } else {
      idle++;
    }
    if ((r != MPG123_OK && r != MPG123_NEW_FORMAT) || idle > 8) {
      SDL_AudioStreamFlush(s->conv);
      s->eof = 1;
    }
  }
  int got = SDL_AudioStreamGet(s->conv, out, bytes);
  if (got < 0) got = 0;
  int frameBytes = int(sizeof(Sint16)) * g.granted.channels;
  s->deviceFrames += got / frameBytes;
  if (s->eof && SDL_AudioStreamAvailable(s->conv) == 0) s->finished = 1;
  return got;
}

void mix_piece(Sint16* out, int bytes) {
  int samples = bytes / int(sizeof(Sint16));
  std::fill(g.mix.begin(), g.mix.begin() + samples, 0);
  for (int c = 0; c < g.channelCount; c++) {
    FSOUND_STREAM* s = g.channels[c].stream;
    if (!s || s->finished) continue;
    int got = stream_pull(s, g.piece.data(), bytes) / int(sizeof(Sint16));
    int volume = g.channels[c].volume;
    for (int i = 0; i < got; i++) g.mix[i] += g.piece[i] * volume / 255;
  }
  for (int i = 0; i < samples; i++) out[i] = Sint16(std::clamp(g.mix[i], -32768, 32767));
}

void audio_callback(void*, Uint8* out, int len) {
  int pieceBytes = int(g.piece.size() * sizeof(Sint16));
  for (int done = 0; done < len;) {
    int n = std::min(len - done, pieceBytes);
    mix_piece(reinterpret_cast<Sint16*>(out + done), n);
    done += n;
  }
}

int open_device(int mixRate) {
  if (SDL_AudioInit(sdl_driver_of(g.output)) != 0) return 0;
  // Driver 0 (or a driver the list does not have) is the output's default device.
  const char* name = (g.driver >= 1 && g.driver < int(g.drivers.size())) ? g.drivers[g.driver].c_str() : nullptr;
  SDL_AudioSpec want{};
  want.freq = mixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = audio_callback;
  g.device = SDL_OpenAudioDevice(name, 0, &want, &g.granted, 0);
  if (!g.device) {
    SDL_AudioQuit();
    return 0;
  }
  std::size_t samples = std::size_t(g.granted.samples) * g.granted.channels;
  g.piece.assign(samples, 0);
  g.mix.assign(samples, 0);
  return 1;
}

// mpg123 may hand out any of its rates; only the sample encoding and channels are fixed here.
int set_formats(mpg123_handle* mh, unsigned int mode) {
  int encoding = (mode & FSOUND_8BITS) ? MPG123_ENC_UNSIGNED_8 : MPG123_ENC_SIGNED_16;
  int channels = (mode & FSOUND_MONO) ? MPG123_MONO : (mode & FSOUND_STEREO) ? MPG123_STEREO : (MPG123_MONO | MPG123_STEREO);
  if (mpg123_format_none(mh) != MPG123_OK) return 0;
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  int any = 0;
  for (std::size_t i = 0; i < count; i++) any |= mpg123_format(mh, rates[i], channels, encoding) == MPG123_OK;
  return any;
}

}  // namespace

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
  if (g.output != FSOUND_OUTPUT_NOSOUND && !open_device(mixRate)) return fail(FMOD_ERR_INIT);
  g.channels = std::make_unique<Channel[]>(std::size_t(maxChannels));
  g.channelCount = maxChannels;
  g.initialised = 1;
  if (g.device) SDL_PauseAudioDevice(g.device, 0);
  return TRUE;
}

void FSOUND_Close(void) {
  if (!g.initialised) return;
  if (g.device) {
    SDL_CloseAudioDevice(g.device);  // the callback has stopped when this returns
    g.device = 0;
    SDL_AudioQuit();
  }
  for (FSOUND_STREAM* s : g.streams) free_stream(s);
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
  int err = MPG123_OK;
  s->mh = mpg123_new(nullptr, &err);
  if (!s->mh) {
    free_stream(s);
    fail(FMOD_ERR_MEMORY);
    return nullptr;
  }
  mpg123_param(s->mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
  int code = FMOD_ERR_NONE;
  int channels = 0, encoding = 0;
  if (!set_formats(s->mh, mode) || mpg123_open_fd(s->mh, fileno(file)) != MPG123_OK)
    code = FMOD_ERR_FILE_BAD;
  else if (mpg123_getformat(s->mh, &s->rate, &channels, &encoding) != MPG123_OK || s->rate <= 0)
    code = FMOD_ERR_FILE_FORMAT;
  else if (mpg123_scan(s->mh) != MPG123_OK || mpg123_seek(s->mh, 0, SEEK_SET) < 0)
    code = FMOD_ERR_FILE_BAD;
  if (code == FMOD_ERR_NONE) {
    off_t frames = mpg123_length(s->mh);
    if (frames <= 0 || frames > 0x7FFFFFFF) code = FMOD_ERR_FILE_FORMAT;
    else s->length = int(frames);
  }
  if (code == FMOD_ERR_NONE && g.device) {
    SDL_AudioFormat from = encoding == MPG123_ENC_UNSIGNED_8 ? AUDIO_U8 : AUDIO_S16SYS;
    s->conv = SDL_NewAudioStream(from, Uint8(channels), int(s->rate), g.granted.format, g.granted.channels, g.granted.freq);
    s->decoded.assign(kDecodeBytes, 0);
    if (!s->conv) code = FMOD_ERR_MEMORY;
  }
  if (code != FMOD_ERR_NONE) {
    free_stream(s);
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
  if (g.device) SDL_LockAudioDevice(g.device);
  if (FSOUND_STREAM* previous = g.channels[channel].stream) previous->channel = -2;  // stopped for good
  g.channels[channel].stream = stream;
  g.channels[channel].volume = 255;
  stream->channel = channel;
  stream->started = timeGetTime() - DWORD(stream->startFrame * 1000 / stream->rate);
  stream->deviceFrames = g.device ? stream->startFrame * g.granted.freq / stream->rate : 0;
  if (g.device) SDL_UnlockAudioDevice(g.device);
  return channel;
}

BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM);
  if (g.device) SDL_LockAudioDevice(g.device);
  if (stream->channel >= 0) g.channels[stream->channel].stream = nullptr;
  if (g.device) SDL_UnlockAudioDevice(g.device);
  g.streams.erase(std::find(g.streams.begin(), g.streams.end(), stream));
  free_stream(stream);
  return TRUE;
}

BOOL FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds) {
  if (!known_stream(stream) || milliseconds < 0) return fail(FMOD_ERR_INVALID_PARAM);
  if (stream->channel != -1) return fail(FMOD_ERR_PLAY);
  long long frame = std::min<long long>((long long)milliseconds * stream->rate / 1000, stream->length);
  // The decoder is only read once the stream plays, so seeking it now is safe.
  if (mpg123_seek(stream->mh, off_t(frame), SEEK_SET) < 0) return fail(FMOD_ERR_FILE_BAD);
  stream->startFrame = frame;
  return TRUE;
}

unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream) {
  if (!known_stream(stream)) return fail(FMOD_ERR_INVALID_PARAM, 0u);
  if (stream->channel == -1) return 0;
  long long frames;
  if (stream->conv) {
    if (stream->finished) return unsigned(stream->length);
    frames = stream->deviceFrames.load() * stream->rate / g.granted.freq;
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
