// The timeline: DEMO_RunShow runs the show's 25 sections against the music clock.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/demo.h"

// Not built yet: plain frames for the show's 312 seconds.
int DEMO_RunShow(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 312.0f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
