// The sphere sections: the blob seen through its spinning blur, with the couple picture and the inverted scroll clip.
// Not built yet: each section is a frame loop of black frames to its end time.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

int FX_SphereCouple(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 86.3f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}

int FX_SphereClip(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 96.9f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
