// PLACEHOLDER until the graphics driver lands: one OpenGL context on the main window, frames
// cleared to a slowly changing colour and swapped.
#include <GL/gl.h>

#include "engine/kr_timer.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"

namespace {
HWND g_window = nullptr;
HDC g_dc = nullptr;
HGLRC g_context = nullptr;
}  // namespace

int GFX_DriverValid(int index) { return index == 3; }
GFX_Driver* GFX_DriverGet(int index) { return index == 3 ? reinterpret_cast<GFX_Driver*>(&g_window) : nullptr; }

int GFX_DriverSelect(GFX_Driver*, HWND window) {
  g_window = window;
  return window != nullptr;
}

int GFX_SetMode(int width, int height, int colourBits, int depthBits, int stencilBits, int) {
  SetWindowPos(g_window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_SHOWWINDOW);
  g_dc = GetDC(g_window);
  if (!g_dc) return 0;
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = 40;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = BYTE(colourBits);
  pfd.cDepthBits = BYTE(depthBits);
  pfd.cStencilBits = BYTE(stencilBits);
  int format = ChoosePixelFormat(g_dc, &pfd);
  SetPixelFormat(g_dc, format ? format : 1, &pfd);
  g_context = wglCreateContext(g_dc);
  if (!g_context || !wglMakeCurrent(g_dc, g_context)) return 0;
  glViewport(0, 0, width, height);
  return 1;
}

int GFX_SetPerspective(float, float, float) { return 1; }

void GFX_BeginFrame(void) {
  float t = KR_TimerGetSeconds();
  glClearColor(0.1f, 0.1f + 0.05f * float(int(t) % 4), 0.3f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int GFX_EndFrame(void) { return SwapBuffers(g_dc); }

int GFX_OglShutdown(void) {
  wglMakeCurrent(nullptr, nullptr);
  if (g_context) wglDeleteContext(g_context);
  if (g_dc) ReleaseDC(g_window, g_dc);
  return 1;
}
