// Display modes on SDL2. A switched mode is applied to every full-screen style (popup) window
// as SDL full-screen with that mode; restoring takes them back to the desktop. SDL cannot change
// the colour depth of an X screen, so bits per pixel are reported, not switched.
#include <SDL2/SDL.h>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {

int g_switched = 0;
DEVMODEA g_mode{};

DWORD bits_of(Uint32 format) {
  // X servers report 24-bit formats stored in 32 bits; Windows calls that 32.
  return SDL_BYTESPERPIXEL(format) == 4 ? 32 : SDL_BITSPERPIXEL(format);
}

}  // namespace

void pl_display_apply(PL_Window* w) {
  if (!w || !w->sdl || !(w->style & WS_POPUP)) return;
  if (g_switched) {
    SDL_DisplayMode want{0, int(g_mode.dmPelsWidth), int(g_mode.dmPelsHeight), 0, nullptr};
    SDL_DisplayMode got{};
    int display = SDL_GetWindowDisplayIndex(w->sdl);
    if (display < 0) display = 0;
    if (SDL_GetClosestDisplayMode(display, &want, &got)) SDL_SetWindowDisplayMode(w->sdl, &got);
    SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN);
  } else {
    SDL_SetWindowFullscreen(w->sdl, 0);
  }
}

BOOL EnumDisplaySettingsA(const char*, DWORD modeIndex, DEVMODEA* mode) {
  if (!mode || !pl_video_start()) return FALSE;
  SDL_DisplayMode m{};
  int ok = modeIndex == ENUM_CURRENT_SETTINGS ? SDL_GetCurrentDisplayMode(0, &m)
                                              : SDL_GetDisplayMode(0, int(modeIndex), &m);
  if (ok != 0) return FALSE;
  mode->dmSize = sizeof(DEVMODEA);
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  mode->dmBitsPerPel = bits_of(m.format);
  mode->dmPelsWidth = DWORD(m.w);
  mode->dmPelsHeight = DWORD(m.h);
  mode->dmDisplayFrequency = DWORD(m.refresh_rate);
  return TRUE;
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD) {
  if (!pl_video_start()) return DISP_CHANGE_FAILED;
  if (!mode) {
    g_switched = 0;
    for (int i = 0; i < pl_window_count(); i++) pl_display_apply(pl_window_at(i));
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (mode->dmFields & DM_BITSPERPEL) {
    DWORD b = mode->dmBitsPerPel;
    if (b != 8 && b != 16 && b != 24 && b != 32) return DISP_CHANGE_BADMODE;
  }
  // The size must be one the display offers.
  int found = 0;
  for (int i = 0, n = SDL_GetNumDisplayModes(0); i < n && !found; i++) {
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, i, &m) == 0 && DWORD(m.w) == mode->dmPelsWidth &&
        DWORD(m.h) == mode->dmPelsHeight)
      found = 1;
  }
  if (!found) return DISP_CHANGE_BADMODE;
  g_mode = *mode;
  g_switched = 1;
  for (int i = 0; i < pl_window_count(); i++) pl_display_apply(pl_window_at(i));
  return DISP_CHANGE_SUCCESSFUL;
}

int PL_DisplaySwitched(DEVMODEA* mode) {
  if (g_switched && mode) *mode = g_mode;
  return g_switched;
}
