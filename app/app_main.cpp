// The entry point and the main flow: dialog, window, display mode, engine, graphics driver,
// music, content, show, then the shutdown in its fixed order.
#include "app/app_shell.h"
#include "app/music.h"
#include "engine/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "show/demo.h"
#include "show/video.h"

int WinMain(HINSTANCE instance, HINSTANCE, char*, int showCommand) {
  if (APP_RunSetupDialog(instance) != 1) return 0;
  if (!APP_CreateMainWindow(instance, showCommand)) return 0;
  if (!APP_SetDisplayMode()) {
    MessageBoxA(APP_shell.window, "failed", "das", MB_OK);
    return 0;
  }
  if (APP_shell.settings.fullscreen) SetCursor(nullptr);
  if (!KR_Initialise()) return 0;

  if (!GFX_DriverValid(3)) {
    MessageBoxA(APP_shell.window, "OpenGL not found!", "das", MB_OK);
    return 0;
  }
  APP_shell.driver = GFX_DriverGet(3);
  GFX_DriverSelect(APP_shell.driver, APP_shell.window);
  GFX_SetMode(APP_shell.displayWidth, APP_shell.displayHeight, APP_shell.colourBits, APP_shell.depthBits,
              APP_shell.stencilBits, 0);
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);

  if (MUSIC_Init() && DEMO_LoadContent(APP_shell.settings.preload) && MUSIC_Play()) DEMO_RunShow();

  // Each step reports success or the rest is skipped.
  if (MUSIC_StreamClose() && MUSIC_Close() && VIDEO_Shutdown()) {
    GFX_OglShutdown();
    APP_RestoreDisplayMode();
  }
  return 0;
}

int main(int, char**) {
  static char commandLine[] = "";
  return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
}
