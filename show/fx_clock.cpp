// The clock landscape: the fjall copies, the clock through the spinning blur, the society picture.
// Not built yet: each section is a frame loop of black frames to its end time.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

int FX_ClockLandscape(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 55.1f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
