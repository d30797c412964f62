// Device context, pixel format and OpenGL context on SDL2. On X11 the OpenGL visual is fixed
// when a window is made, so SetPixelFormat re-makes the window's SDL surface with the
// requested colour, depth and stencil sizes; the HWND the system holds stays the same. A
// headless window's context comes from EGL instead (pl_egl.cpp). In OpenGL ES mode each context
// is an OpenGL ES 3.0 one with the OpenGL 1.1 layer over it (pl_gl_es.cpp).
#include <SDL2/SDL.h>

#include "platform/pl_gl_es.h"
#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

#include <cstring>

namespace {

PL_GlContext* g_current = nullptr;

void colour_sizes(int bits, int& r, int& g, int& b) {
  if (bits >= 24) r = g = b = 8;
  else if (bits >= 15) { r = 5; g = 6; b = 5; }
  else if (bits > 0) { r = 3; g = 3; b = 2; }
  else r = g = b = 0;
}

void set_attributes(int colour, int depth, int stencil, int doubleBuffer) {
  int r, g, b;
  colour_sizes(colour, r, g, b);
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, b);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, doubleBuffer);
  if (PL_GlEs()) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  } else {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  }
  if (PL_GlDebugWanted()) SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_DEBUG_FLAG);
}

BOOL make_current(HDC dc, HGLRC context) {
  if (context && context->egl) return pl_egl_make_current(context);
  if (!context) return pl_headless() ? pl_egl_make_current(nullptr) : SDL_GL_MakeCurrent(nullptr, nullptr) == 0;
  if (!dc || !dc->window || !dc->window->sdl) return FALSE;
  return SDL_GL_MakeCurrent(dc->window->sdl, context->sdl) == 0;
}

void* sdl_proc(const char* name) { return SDL_GL_GetProcAddress(name); }

// Gives an OpenGL ES context its layer, made current for that; the current context stays.
bool attach_layer(HDC dc, PL_GlContext* c) {
  if (!PL_GlEs()) return true;
  pl_gl_flush();
  int width = 0, height = 0;
  bool made = false;
  if (c->egl) {
    made = pl_egl_make_current(c) && pl_gl_context_layer(c, pl_egl_proc_address, 0, 0);
  } else {
    SDL_GL_GetDrawableSize(dc->window->sdl, &width, &height);
    made = SDL_GL_MakeCurrent(dc->window->sdl, c->sdl) == 0 && pl_gl_context_layer(c, sdl_proc, width, height);
  }
  make_current(g_current ? &g_current->window->dc : nullptr, g_current);
  return made;
}

}  // namespace

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd) {
  if (!dc || format < 1 || !IsWindow(dc->window)) return FALSE;
  PIXELFORMATDESCRIPTOR want = pfd ? *pfd : dc->requested;
  PL_Window* w = dc->window;
  if (w->headless) {
    // Nothing to realise: the program draws into framebuffers it makes itself.
    w->hasGl = 1;
    w->glColour = want.cColorBits;
    w->glDepth = want.cDepthBits;
    w->glStencil = want.cStencilBits;
    dc->format = format;
    return TRUE;
  }
  // Like ChoosePixelFormat, settle for the nearest format the server has: a depth buffer of
  // 32 bits is rare, 24 is common.
  const int depths[] = {want.cDepthBits, 24, 16, 0};
  for (int depth : depths) {
    if (depth > want.cDepthBits) continue;
    set_attributes(want.cColorBits, depth, want.cStencilBits, (want.dwFlags & PFD_DOUBLEBUFFER) != 0);
    if (pl_window_realise(w, SDL_WINDOW_OPENGL)) {
      w->glColour = want.cColorBits;
      w->glDepth = depth;
      w->glStencil = want.cStencilBits;
      dc->format = format;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL SwapBuffers(HDC dc) {
  pl_gl_flush();
  if (dc && dc->window && dc->window->headless) return TRUE;  // nothing is ever shown
  if (!dc || !dc->window || !dc->window->sdl) return FALSE;
  SDL_GL_SwapWindow(dc->window->sdl);
  return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
  if (dc && dc->window && dc->window->headless) {
    PL_GlContext* c = pl_egl_context_create();
    if (!c) return nullptr;
    c->window = dc->window;
    pl_gl_modules_pin();
    if (!attach_layer(dc, c)) {
      wglDeleteContext(c);
      return nullptr;
    }
    return c;
  }
  if (!dc || !dc->window || !dc->window->sdl) return nullptr;
  PL_Window* w = dc->window;
  if (!pl_pixel_format_ensure(dc)) return nullptr;
  set_attributes(w->glColour, w->glDepth, w->glStencil, 1);
  SDL_GLContext c = SDL_GL_CreateContext(w->sdl);
  if (!c) return nullptr;
  pl_gl_modules_pin();
  auto* context = new PL_GlContext{c, w, nullptr, nullptr, nullptr};
  if (!attach_layer(dc, context)) {
    wglDeleteContext(context);
    return nullptr;
  }
  return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  // What the layer collected for the context that was current is drawn there first.
  pl_gl_flush();
  const BOOL made = make_current(dc, context);
  g_current = made ? context : nullptr;
  pl_gl_context_select(g_current);
  return made;
}

BOOL wglDeleteContext(HGLRC context) {
  if (!context) return FALSE;
  pl_gl_flush();
  if (context->layer) {
    // The layer's objects are freed in their own context.
    if (context != g_current) make_current(context->window ? &context->window->dc : nullptr, context);
    pl_gl_layer_delete(context->layer);
    context->layer = nullptr;
    if (context != g_current) make_current(g_current ? &g_current->window->dc : nullptr, g_current);
  }
  if (context == g_current) wglMakeCurrent(nullptr, nullptr);
  if (context->egl) {
    pl_egl_context_delete(context);
    delete context;
    return TRUE;
  }
  if (SDL_GL_GetCurrentContext() == context->sdl) SDL_GL_MakeCurrent(nullptr, nullptr);
  SDL_GL_DeleteContext(context->sdl);
  delete context;
  return TRUE;
}

namespace {
// WGL_EXT_swap_control on the current context: 1 waits for the display refresh, 0 does not.
BOOL swap_interval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }
}  // namespace

FARPROC wglGetProcAddress(const char* name) {
  if (!name) return nullptr;
  if (std::strcmp(name, "wglSwapIntervalEXT") == 0) return reinterpret_cast<FARPROC>(&swap_interval);
  if (g_current && g_current->layer) return pl_gl_proc(name);
  if (pl_headless()) return reinterpret_cast<FARPROC>(pl_egl_proc_address(name));
  return reinterpret_cast<FARPROC>(SDL_GL_GetProcAddress(name));
}
