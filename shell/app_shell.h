// What the show needs from the application shell: the shell's process-wide state (settings,
// window, driver), the message pump and the running test every frame loop calls. The main
// flow, the window and the dialog that fill it sit above the show (app/app.h).
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "shell/app_settings.h"

struct GFX_Driver;

struct APP_Shell {
  APP_Settings settings;
  std::int32_t displayWidth, displayHeight;
  std::int32_t colourBits, depthBits, stencilBits;
  HWND window;
  HINSTANCE instance;
  GFX_Driver* driver;
  std::int32_t running;        // 1 while the show may go on; cleared for good by the quit message
  std::int32_t keypressCount;  // cue lines written so far in this run
};

extern APP_Shell APP_shell;

// The key-press log, in the current folder.
inline constexpr const char* APP_KEYPRESS_FILE = "keypress.txt";
inline constexpr std::int32_t APP_RANDOM_SEED = 9990;

int APP_PumpMessages(void);
// The running test every frame loop calls: pumps the messages once, fades the music over its
// last 0.3 %, runs the running hook, and stays 0 once the quit message has been seen.
int APP_IsRunning(int reset);
// What runs inside every running test after the messages (the offline renderer stands in for
// the display there); null for nothing.
void APP_SetRunningHook(void (*hook)(void));
// 1: the show's random seed (9990); 2: the live dynamic-shadows setting; else -1.
std::int32_t APP_GetSetting(int which);

// The end-of-track fade's volume for a played fraction, or -1 where the volume is left alone.
int APP_FadeVolume(float fraction);
