// The device context of a window and its pixel-format request, whatever makes the OpenGL
// surface behind it (SDL natively, WebGL in the browser).
#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

#include <cstdlib>
#include <cstring>

HDC GetDC(HWND w) { return IsWindow(w) ? &w->dc : nullptr; }

int ReleaseDC(HWND w, HDC dc) { return (w && dc && dc->window == w) ? 1 : 0; }

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
  if (!dc || !pfd || !(pfd->dwFlags & PFD_SUPPORT_OPENGL)) return 0;
  dc->requested = *pfd;
  return 1;
}

BOOL pl_pixel_format_ensure(HDC dc) {
  if (dc->window->hasGl) return TRUE;
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 24;
  return SetPixelFormat(dc, 1, &pfd);
}

int PL_GlSurfaceSizes(HWND w, int* colourBits, int* depthBits, int* stencilBits) {
  if (!w || !w->hasGl) return 0;
  if (colourBits) *colourBits = w->glColour;
  if (depthBits) *depthBits = w->glDepth;
  if (stencilBits) *stencilBits = w->glStencil;
  return 1;
}

namespace {
int g_glEs = 0;
}

void PL_SetGlEs(int es) { g_glEs = es != 0; }
int PL_GlEs(void) { return g_glEs; }

int PL_GlDebugWanted(void) {
  const char* v = std::getenv("VELMAR_GL_DEBUG");
  return v && *v && std::strcmp(v, "0") != 0;
}
