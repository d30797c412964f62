// Device context, pixel format and OpenGL context in the browser: a WebGL 2 context on the
// page's canvas with the requested depth and stencil, no alpha and no multisampling, as the
// native surface has. A buffer swap hands the frame to the page, which shows it.
//
// Every context is made on the page's one canvas, and a canvas has one WebGL context: a second
// context made while the first lives is a second handle on the same WebGL state. So the OpenGL
// layer (pl_gl_es.cpp) belongs to the canvas: made with its first context, used by every
// context made current, and freed with the last one deleted.
#include <emscripten/html5.h>

#include <cstring>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"
#include "platform/web/pl_web.h"

namespace {
int g_vsync = 1;
int g_headless = 0;

struct Canvas {
  PL_GlLayer* layer = nullptr;
  int contexts = 0;  // live contexts on it
};
Canvas g_canvas;

BOOL swap_interval(int interval) {
  g_vsync = interval != 0;
  return TRUE;
}
}  // namespace

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd) {
  if (!dc || format < 1 || !IsWindow(dc->window)) return FALSE;
  const PIXELFORMATDESCRIPTOR& want = pfd ? *pfd : dc->requested;
  PL_Window* w = dc->window;
  w->glColour = want.cColorBits;
  // WebGL offers a 24-bit depth buffer, with or without 8 bits of stencil.
  w->glDepth = want.cDepthBits ? 24 : 0;
  w->glStencil = want.cStencilBits ? 8 : 0;
  w->hasGl = 1;
  dc->format = format;
  return TRUE;
}

BOOL SwapBuffers(HDC dc) {
  if (!dc || !dc->window) return FALSE;
  pl_gl_flush();
  pl_web_present(g_vsync);
  return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
  if (!dc || !dc->window) return nullptr;
  PL_Window* w = dc->window;
  pl_pixel_format_ensure(dc);
  EmscriptenWebGLContextAttributes a;
  emscripten_webgl_init_context_attributes(&a);
  a.alpha = EM_FALSE;
  a.depth = w->glDepth > 0;
  a.stencil = w->glStencil > 0;
  a.antialias = EM_FALSE;
  a.premultipliedAlpha = EM_FALSE;
  a.preserveDrawingBuffer = EM_FALSE;
  a.majorVersion = 2;
  a.minorVersion = 0;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE c = emscripten_webgl_create_context("#canvas", &a);
  if (c <= 0) return nullptr;
  if (!g_canvas.contexts) {
    // The layer is made in its context; the current context stays current.
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE was = emscripten_webgl_get_current_context();
    emscripten_webgl_make_context_current(c);
    int width = 0, height = 0;
    emscripten_webgl_get_drawing_buffer_size(c, &width, &height);
    g_canvas.layer = pl_gl_layer_create(nullptr, width, height);
    emscripten_webgl_make_context_current(was);
    if (!g_canvas.layer) {
      emscripten_webgl_destroy_context(c);
      return nullptr;
    }
  }
  g_canvas.contexts++;
  return new PL_GlContext{reinterpret_cast<void*>(c), w, nullptr, nullptr};
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  // What was collected for the context that was current is drawn there first.
  pl_gl_flush();
  if (!context) {
    pl_gl_layer_select(nullptr);
    return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
  }
  if (!dc || !dc->window) return FALSE;
  if (emscripten_webgl_make_context_current(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE(context->sdl)) != EMSCRIPTEN_RESULT_SUCCESS)
    return FALSE;
  pl_gl_layer_select(g_canvas.layer);
  return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
  if (!context) return FALSE;
  const auto handle = EMSCRIPTEN_WEBGL_CONTEXT_HANDLE(context->sdl);
  const bool current = emscripten_webgl_get_current_context() == handle;
  if (current) pl_gl_flush();
  if (--g_canvas.contexts == 0) {
    // The last context takes the layer with it, freed in the WebGL context it was made in.
    emscripten_webgl_make_context_current(handle);
    pl_gl_layer_delete(g_canvas.layer);
    g_canvas.layer = nullptr;
  }
  if (current || !g_canvas.contexts) {
    pl_gl_layer_select(nullptr);
    emscripten_webgl_make_context_current(0);
  }
  emscripten_webgl_destroy_context(handle);
  delete context;
  return TRUE;
}

// A page always has its canvas: a render draws into framebuffers of its own on the canvas's
// WebGL context, and the canvas shows nothing of it.
void PL_SetHeadless(int headless) { g_headless = headless != 0; }
const char* PL_HeadlessDevice(void) { return g_headless ? "the page's WebGL 2 context" : nullptr; }
const char* PL_HeadlessError(void) { return nullptr; }

FARPROC wglGetProcAddress(const char* name) {
  if (!name) return nullptr;
  if (std::strcmp(name, "wglSwapIntervalEXT") == 0) return reinterpret_cast<FARPROC>(&swap_interval);
  return pl_gl_proc(name);
}

const PL_GlProcs* pl_gl_default(void) { return pl_gl_layer_procs(nullptr); }
