// PLACEHOLDER until content and the timeline land: nothing to load, and a show of plain frames
// that runs for the soundtrack's 312 seconds under the running test.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/demo.h"

int DEMO_LoadContent(int) { return 1; }

int DEMO_RunShow(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 312.0f) {
    GFX_BeginFrame();
    GFX_EndFrame();
    Sleep(10);
  }
  return 1;
}
