// PLACEHOLDER until music playback lands: no sound layer; the clock runs from MUSIC_Play.
#include "app/music.h"

#include "platform/win32.h"

namespace {
DWORD g_origin = 0;
}

int MUSIC_Init(void) { return 1; }

int MUSIC_Play(void) {
  g_origin = timeGetTime();
  return 1;
}

int MUSIC_StreamClose(void) { return 1; }
int MUSIC_Close(void) { return 1; }

float MUSIC_GetTime(void) {
  timeBeginPeriod(1);
  DWORD elapsed = timeGetTime() - g_origin;
  timeEndPeriod(1);
  return float(elapsed) / 1000.0f;
}

float MUSIC_GetFraction(void) { return 0.0f; }
void MUSIC_SetVolume(int) {}
const char* MUSIC_ErrorString(int) { return "Unknown error"; }
