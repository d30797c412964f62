// The box sections: a flight around the box set with the light-shaft cross.
// Not built yet: each section is a frame loop of black frames to its end time.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

int FX_BoxClip(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 272.3f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}

int FX_BoxMask(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 293.5f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
