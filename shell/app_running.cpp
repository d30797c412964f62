// The shell's state and the running test: the message pump, the end-of-track fade, and the
// hook through which the offline renderer takes part in every frame loop.
#include "shell/app_shell.h"
#include "shell/music.h"

APP_Shell APP_shell{APP_SETTINGS_DEFAULT, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, 1, 0};

namespace {
void (*g_runningHook)(void) = nullptr;
}  // namespace

int APP_PumpMessages(void) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) return 0;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 1;
}

int APP_FadeVolume(float fraction) {
  if (!(fraction > 0.997f)) return -1;
  return int((1.0f - fraction) / 0.003f * 255.0f);
}

int APP_IsRunning(int reset) {
  if (reset) APP_shell.running = 1;
  int volume = APP_FadeVolume(MUSIC_GetFraction());
  if (volume >= 0) MUSIC_SetVolume(volume);
  if (!APP_PumpMessages()) APP_shell.running = 0;
  if (g_runningHook) g_runningHook();
  return APP_shell.running;
}

void APP_SetRunningHook(void (*hook)(void)) { g_runningHook = hook; }

std::int32_t APP_GetSetting(int which) {
  if (which == 1) return APP_RANDOM_SEED;
  if (which == 2) return APP_shell.settings.dynamicShadows;
  return -1;
}
