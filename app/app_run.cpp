// The main flow: dialog (unless the command line replaces it), window, display mode, engine,
// graphics driver, music, content, show, then the shutdown in its fixed order. An offline
// render takes the same path without any display: an OpenGL context from EGL, an offscreen
// framebuffer and the timer under its control. A live start later than 0 runs the show ahead
// to that moment before the music starts.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/app_data.h"
#include "app/app_options.h"
#include "app/app_render.h"
#include "base/kr_memory.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"
#include "platform/pl_platform.h"
#include "shell/music.h"
#include "show/demo.h"
#include "show/demo_sections.h"
#include "show/video.h"

namespace {

// A render waits for nobody: its messages go to standard error only.
int answer_box(const char*, const char*) { return IDOK; }

// The window of a render only carries the OpenGL context; the frames are drawn offscreen.
constexpr int kRenderWindow = 64;
// A live start runs the show ahead at this frame rate, as a display refreshing at 60 Hz would.
constexpr double kSeekFps = 60.0;

void set_swap_interval(int interval) {
  typedef BOOL (*SwapInterval)(int);
  if (auto f = reinterpret_cast<SwapInterval>(wglGetProcAddress("wglSwapIntervalEXT"))) f(interval);
}

// Set once the music clock runs: before that the show is being set up and loaded.
bool g_showRunning = false;

// Where an OpenGL error in debug mode happened: the section and the music time.
void show_place(char* text, int size) {
  if (!g_showRunning) std::snprintf(text, std::size_t(size), "before the show (setting up, loading)");
  else std::snprintf(text, std::size_t(size), "section %d at %.3f s", DEMO_SectionCurrent(), double(MUSIC_GetTime()));
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, char*, int showCommand) {
  APP_Run(APP_Options{}, nullptr, instance, showCommand);
  return 0;
}

int APP_Run(const APP_Options& o, GFX_Driver* driver, HINSTANCE instance, int showCommand) {
  const bool render = !o.render.empty() || o.renderDiscard;
  const std::string data = APP_DataDir(o.dataDir);
  if (!data.empty()) PL_SetDataDir(data.c_str());
  if (render) PL_MessageBoxSetHandler(answer_box), PL_SetHeadless(1);
  PL_SetGlEs(o.glEs);
  if (!render && !o.noDialog && APP_RunSetupDialog(instance) != 1) return 0;
  APP_OptionsApply(o, APP_shell.settings);

  if (!APP_CreateMainWindow(instance, showCommand)) return 0;
  if (!APP_SetDisplayMode()) {
    MessageBoxA(APP_shell.window, "failed", "das", MB_OK);
    return 0;
  }
  if (APP_shell.settings.fullscreen) SetCursor(nullptr);
  if (!KR_Initialise()) return 0;

  if (driver) {
    APP_shell.driver = driver;
  } else {
    if (!GFX_DriverValid(3)) {
      MessageBoxA(APP_shell.window, "OpenGL not found!", "das", MB_OK);
      return 0;
    }
    APP_shell.driver = GFX_DriverGet(3);
  }
  const bool gl = APP_shell.driver == &GFX_oglDriver;
  GFX_ogl.stretch = APP_shell.settings.stretch;
  GFX_oglDebug.where = show_place;
  GFX_oglProfile.section = DEMO_SectionCurrent;
  GFX_DriverSelect(APP_shell.driver, APP_shell.window);
  const int w = APP_shell.displayWidth, h = APP_shell.displayHeight;
  if (render && gl) {
    GFX_SetMode(kRenderWindow, kRenderWindow, APP_shell.colourBits, APP_shell.depthBits, APP_shell.stencilBits, 0);
    if (!GFX_ogl.context) {
      const char* why = PL_HeadlessError();
      std::fprintf(stderr, "velmar: no OpenGL context can be made without a display: %s\n",
                   why ? why : "EGL refused it");
      return 1;
    }
    std::fprintf(stderr, "velmar: drawing on %s (%s; %s), no display needed\n", PL_HeadlessDevice(),
                 GFX_OglRendererName(), GFX_OglVersionName());
    if (!APP_RenderSizeFits(w, h)) return 2;
    if (!GFX_OglOffscreenCreate(w, h)) {
      std::fprintf(stderr, "velmar: no offscreen framebuffer of %d x %d\n", w, h);
      return 1;
    }
  } else {
    GFX_SetMode(w, h, APP_shell.colourBits, APP_shell.depthBits, APP_shell.stencilBits, 0);
    if (gl) set_swap_interval(APP_shell.settings.vsync ? 1 : 0);
  }
  // What draws, for frame times read on another machine.
  if (gl && o.stats) std::fprintf(stderr, "velmar: OpenGL: %s\n", GFX_OglDescription());
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  if (render && !APP_RenderOpen(o, w, h)) return 1;
  const bool seek = !render && o.start > 0.0f;

  // A late live start plays the music from where the show has got to (APP_SeekOpen).
  if (MUSIC_Init() && DEMO_LoadContent(APP_shell.settings.preload) &&
      (seek ? APP_SeekOpen(o.start, kSeekFps) : MUSIC_Play())) {
    if (o.stats) APP_StatsStart();
    APP_RenderStart();
    g_showRunning = true;
    DEMO_RunShow();
  }
  g_showRunning = false;
  int status = APP_RenderFinish();
  if (o.stats) APP_StatsPrint();
  if (gl) GFX_OglProfilePrint();

  // Each step reports success or the rest is skipped.
  if (MUSIC_StreamClose() && MUSIC_Close() && VIDEO_Shutdown()) {
    if (gl) {
      GFX_OglOffscreenRelease();
      GFX_OglShutdown();
    }
    APP_RestoreDisplayMode();
  }
  // In OpenGL debug mode any error, the shutdown's included, fails the run.
  if (gl && PL_GlDebugWanted()) {
    std::fprintf(stderr, "velmar: %d OpenGL error%s\n", GFX_OglDebugErrors(), GFX_OglDebugErrors() == 1 ? "" : "s");
    if (GFX_OglDebugErrors() && !status) status = 1;
  }
  return status;
}
