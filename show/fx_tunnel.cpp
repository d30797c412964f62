// The opening: the tunnel, the picture scrollers and the logo section.
#include "app/app_shell.h"
#include "app/music.h"
#include "gfx/gfx_driver.h"
#include "show/fx.h"

// Not built yet.
int FX_Tunnel(float) { return 1; }
int FX_ScrollPicture(float, float, float, GFX_Picture*) { return 1; }
int FX_ScrollPictureBack(float, float, float, GFX_Picture*, float) { return 1; }
int FX_LogoSection(void) {
  while (APP_IsRunning(0) && MUSIC_GetTime() < 32.0f) {
    GFX_BeginFrame();
    GFX_EndFrame();
  }
  return 1;
}
