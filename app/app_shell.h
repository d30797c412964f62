// The application shell: entry point, main window, display mode, the running test every frame
// loop calls, and the shell's process-wide state.
#pragma once

#include <cstdint>

#include "app/app_settings.h"
#include "platform/win32.h"

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

int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandLine, int showCommand);

struct APP_Options;
// The main flow for a command line; `driver` null is the OpenGL driver (benchmarks pass
// another). Returns the exit status: 0, or 1 when a render failed.
int APP_Run(const APP_Options& options, GFX_Driver* driver, HINSTANCE instance = nullptr, int showCommand = SW_SHOWNORMAL);

// Shows the setup dialog and fills APP_shell.settings; 1 when the viewer pressed Start.
int APP_RunSetupDialog(HINSTANCE instance);

int APP_CreateMainWindow(HINSTANCE instance, int showCommand);
int APP_SetDisplayMode(void);
int APP_RestoreDisplayMode(void);
LRESULT APP_WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int APP_PumpMessages(void);
int APP_IsRunning(int reset);
// 1: the show's random seed (9990); 2: the live dynamic-shadows setting; else -1.
std::int32_t APP_GetSetting(int which);

// The end-of-track fade's volume for a played fraction, or -1 where the volume is left alone.
int APP_FadeVolume(float fraction);
