// The shadowed scene sections: the mu4 set under two lights, the weird set under four with fog.
// Not built yet: each section is a frame loop of black frames to its end time.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

int FX_MuShadows(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 75.7f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}

int FX_WeirdScene(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 157.5f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
