// The picture and text sections: hands and smoke, the beauty zoom, the lens scroll, the greets.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

float FX_lensScrollStart;

// Not built yet: each is a frame loop of black frames to its end.
static int black_for(float seconds) {
  float start = MUSIC_GetTime();
  while (APP_IsRunning(0) && MUSIC_GetTime() - start < seconds) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}

int FX_TextBlockDraw(float, const FX_TextBlockStyle*) { return 1; }

int FX_HandsSmoke(void) { return black_for(3.5f); }
int FX_BeautyZoom(void) { return black_for(3.5f); }
int FX_GreetsText(void) { return black_for(2.7f); }
int FX_LensScroll(void) {
  FX_lensScrollStart = MUSIC_GetTime();
  while (APP_IsRunning(0) && MUSIC_GetTime() < 231.3f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
