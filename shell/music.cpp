// The soundtrack through the sound layer, and the music clock: the multimedia timer counted
// from the moment the stream started, whatever the output (so "No Sound" runs the same show).
#include "shell/music.h"

#include <array>

#include "platform/pl_fsound.h"
#include "shell/app_shell.h"

namespace {

FSOUND_STREAM* g_stream = nullptr;
int g_channel = -1;
DWORD g_origin = 0;
DWORD g_startMs = 0;  // the clock's reading at MUSIC_Play

constexpr int kChannels = 16;
constexpr unsigned int kStreamMode = FSOUND_LOOP_OFF | FSOUND_8BITS | FSOUND_MONO;  // 41

constexpr std::array<const char*, 18> kErrors{
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Unknown error",
    "Failed to allocate a new channel",
};

}  // namespace

const char* MUSIC_ErrorString(int code) {
  if (code < 0 || code >= int(kErrors.size())) return "Unknown error";
  return kErrors[std::size_t(code)];
}

int MUSIC_Init(void) {
  const APP_Settings& s = APP_shell.settings;
  FSOUND_SetHWND(APP_shell.window);
  FSOUND_SetOutput(APP_OptionAt(APP_OUTPUTS, s.outputRow, 0).value1);
  FSOUND_SetDriver(s.driverRow);
  if (!FSOUND_Init(APP_OptionAt(APP_FREQUENCIES, s.frequencyRow, 0).value1, kChannels, 0)) {
    MessageBoxA(APP_shell.window, MUSIC_ErrorString(FSOUND_GetError()), "FSOUND Init Failed!", MB_OK);
    return 0;
  }
  g_stream = FSOUND_Stream_OpenFile(MUSIC_FILE, kStreamMode, 0);
  if (!g_stream) {
    MessageBoxA(APP_shell.window, MUSIC_ErrorString(FSOUND_GetError()), "FSOUND Stream Init Failed!", MB_OK);
    return 0;
  }
  return 1;
}

void MUSIC_SetStart(float seconds) { g_startMs = seconds > 0.0f ? DWORD(double(seconds) * 1000.0 + 0.5) : 0; }

void MUSIC_ClockStart(void) { g_origin = timeGetTime(); }

int MUSIC_Play(void) {
  if (g_startMs) FSOUND_Stream_SetTime(g_stream, int(g_startMs));
  g_channel = FSOUND_Stream_Play(FSOUND_FREE, g_stream);
  if (g_channel == -1) {
    MessageBoxA(APP_shell.window, "stream play failed", "das", MB_OK);
    FSOUND_Close();
    g_stream = nullptr;  // closing the library freed it
    return 0;
  }
  // A late start counts the clock as if the track had played from its beginning.
  g_origin = timeGetTime() - g_startMs;
  return 1;
}

int MUSIC_StreamClose(void) {
  FSOUND_Stream_Close(g_stream);
  g_stream = nullptr;
  g_channel = -1;
  return 1;
}

int MUSIC_Close(void) {
  FSOUND_Close();
  g_stream = nullptr;
  g_channel = -1;
  return 1;
}

float MUSIC_GetTime(void) {
  timeBeginPeriod(1);
  DWORD elapsed = timeGetTime() - g_origin;  // unsigned: a wrap of the counter does no harm
  timeEndPeriod(1);
  return float(elapsed) / 1000.0f;
}

float MUSIC_GetFraction(void) {
  if (!g_stream) return 0.0f;
  float length = float(FSOUND_Stream_GetLength(g_stream));
  if (length <= 0.0f) return 0.0f;
  return float(FSOUND_Stream_GetPosition(g_stream)) / length;
}

void MUSIC_SetVolume(int volume) {
  if (g_channel >= 0) FSOUND_SetVolume(g_channel, volume);
}
