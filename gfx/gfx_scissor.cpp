// Scissor bands: boxes given in rows and pixels of the 640x480 virtual screen, scaled to the
// view (the part of the drawable the show draws in) in integer arithmetic and handed to GL in
// window coordinates (origin bottom-left).
#include <GL/gl.h>

#include <cstdint>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"

namespace {

constexpr int kRows = 480;
constexpr int kColumns = 640;

int clamp_rows(int n) { return n < 0 ? 0 : n > kRows ? kRows : n; }

// A value of the virtual screen in mode pixels. Wide arithmetic, and the result held within
// what GL takes, so that no argument overflows.
int scale(std::int64_t v, int mode, int virtualSize) {
  std::int64_t r = v * mode / virtualSize;
  return r > INT32_MAX ? INT32_MAX : r < INT32_MIN ? INT32_MIN : int(r);
}

// A box with a negative size would be refused by GL and leave the previous box in force; it
// is empty instead.
int scissor(int x, int y, int w, int h) {
  glScissor(GFX_ogl.view.x + x, GFX_ogl.view.y + y, w < 0 ? 0 : w, h < 0 ? 0 : h);
  glEnable(GL_SCISSOR_TEST);
  return 1;
}

}  // namespace

int GFX_ScissorCutTop(int n) {
  GFX_OGL_ENTRY();
  const int W = GFX_ogl.view.width, H = GFX_ogl.view.height;
  return scissor(0, 0, W, H - clamp_rows(n) * H / kRows);
}

int GFX_ScissorTopRows(int n) {
  GFX_OGL_ENTRY();
  const int W = GFX_ogl.view.width, H = GFX_ogl.view.height;
  const int b = clamp_rows(n) * H / kRows;
  return scissor(0, H - b, W, b);
}

int GFX_ScissorBottomHalf(void) { return scissor(0, 0, GFX_ogl.view.width, GFX_ogl.view.height / 2); }

int GFX_ScissorTopHalf(void) {
  GFX_OGL_ENTRY();
  const int H = GFX_ogl.view.height;
  return scissor(0, H / 2, GFX_ogl.view.width, H / 2);
}

int GFX_ScissorRect(int x, int y, int w, int h) {
  GFX_OGL_ENTRY();
  const int W = GFX_ogl.view.width, H = GFX_ogl.view.height;
  const int bottom = scale(std::int64_t(H) - scale(y, H, kRows) - scale(h, H, kRows), 1, 1);
  return scissor(scale(x, W, kColumns), bottom, scale(w, W, kColumns), scale(h, H, kRows));
}

int GFX_ScissorOff(void) {
  GFX_OGL_ENTRY();
  const GFX_Rect& v = GFX_ogl.view;
  glScissor(v.x, v.y, v.width, v.height);
  glDisable(GL_SCISSOR_TEST);
  return 1;
}
