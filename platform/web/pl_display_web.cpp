// Display modes in the browser: the display is the page's window, its size in device pixels
// the one mode there is. Switching to another mode is accepted and remembered; the page scales
// the canvas into the window, so any mode fills it in 4:3 between black bars.
#include <emscripten.h>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {
int g_switched = 0;
DEVMODEA g_mode{};

EM_JS(int, window_pixels, (int height), {
  const r = window.devicePixelRatio || 1;
  return Math.round((height ? window.innerHeight : window.innerWidth) * r);
});
}  // namespace

BOOL EnumDisplaySettingsA(const char*, DWORD modeIndex, DEVMODEA* mode) {
  if (!mode || (modeIndex != ENUM_CURRENT_SETTINGS && modeIndex != 0)) return FALSE;
  mode->dmSize = sizeof(DEVMODEA);
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode->dmBitsPerPel = 32;
  mode->dmPelsWidth = DWORD(window_pixels(0));
  mode->dmPelsHeight = DWORD(window_pixels(1));
  mode->dmDisplayFrequency = 60;
  return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD) {
  if (!mode) {
    g_switched = 0;
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (mode->dmFields & DM_BITSPERPEL) {
    DWORD b = mode->dmBitsPerPel;
    if (b != 8 && b != 16 && b != 24 && b != 32) return DISP_CHANGE_BADMODE;
  }
  g_mode = *mode;
  g_switched = 1;
  return DISP_CHANGE_SUCCESSFUL;
}

int PL_DisplaySwitched(DEVMODEA* mode) {
  if (g_switched && mode) *mode = g_mode;
  return g_switched;
}
