// The render target of the OpenGL driver and its screen effects: the 256x256 viewport, the
// capture into the target texture, the bind lock, and the captured image drawn back over the
// screen in one pass or in 20 translucent shifted, zoomed or turned passes, plus the two
// feedback effects that capture after every pass.
#include <array>
#include <cmath>

#include "base/kr_error.h"
#include "base/kr_math.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_ogl_debug.h"
#include "platform/win32.h"

namespace {

constexpr int kTargetSize = 256;
constexpr int kPasses = 20;
constexpr float kPassAlpha = 0.1f;
// GL depth of the passes (camera depth 10.1 in the screen projection).
constexpr float kGlZ = -10.1f;

using Corners = GFX_OglCorners;

// Bottom-left, bottom-right, top-right, top-left: the corners of the captured image at texture
// coordinates (0, 0), (1, 0), (1, 1), (0, 1).
constexpr Corners kGlScreen = {{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}};
constexpr Corners kFullUv = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};

float clamp01(float a) { return a >= 1.0f ? 1.0f : a > 0.0f ? a : 0.0f; }

int have_target(const char* function) {
  if (GFX_ogl.context && GFX_ogl.renderTarget) return 1;
  KR_Error("%s - no render target", function);
  return 0;
}

// Binds the target outside the material bookkeeping, so that the next material bind is not
// skipped as redundant.
void bind_target() { GFX_OglBindRaw(GFX_ogl.renderTarget); }

// The 256x256 viewport sits at the view's bottom-left corner, so that it stays inside the
// part of the drawable the show draws in.
void target_viewport() { glViewport(GFX_ogl.view.x, GFX_ogl.view.y, kTargetSize, kTargetSize); }
void full_viewport() { glViewport(GFX_ogl.view.x, GFX_ogl.view.y, GFX_ogl.view.width, GFX_ogl.view.height); }

void copy_viewport_into_target() {
  if (!GFX_ogl.skipDrawing) glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GFX_ogl.view.x, GFX_ogl.view.y, kTargetSize, kTargetSize);
}

// Screen projection, no depth test or writes, no culling, the target bound and textured;
// `modulate` 0 makes the texture replace the colour. Blend kind 0: no blending; others leave
// the constant colour alone, as each pass gives its own colour.
void begin_target(int modulate, int blendKind) {
  GFX_OglDisable(GFX_PERSPECTIVE);
  GFX_OglDisable(GFX_DEPTH_TEST);
  if (modulate) GFX_OglEnable(GFX_MODULATE);
  else GFX_OglDisable(GFX_MODULATE);
  bind_target();
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_CULL);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Disable(GFX_BLEND);
  if (blendKind) {
    GFX_Enable(GFX_BLEND);
    GFX_Set(GFX_SET_BLEND, blendKind, nullptr);
  }
}

void end_target(int blended) {
  if (blended) GFX_Disable(GFX_BLEND);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_MODULATE);
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_Enable(GFX_DEPTH_WRITE);
}

// One quad in GL coordinates with its texture coordinates, in a colour (r, g, b, a) or, without
// one, in the current colour.
void pass(const Corners& xy, const Corners& uv, const float* colour = nullptr) {
  if (colour) glColor4fv(colour);
  if (GFX_ogl.skipDrawing) return;
  glBegin(GL_POLYGON);
  for (int k = 0; k < 4; k++) {
    glTexCoord2f(uv[k][0], uv[k][1]);
    glVertex3f(xy[k][0], xy[k][1], kGlZ);
  }
  glEnd();
}

// The coordinates of a square inset by e on every side.
Corners inset(float e) { return Corners{{{e, e}, {1 - e, e}, {1 - e, 1 - e}, {e, 1 - e}}}; }

void rotate(float& x, float& y, const KR_Matrix& r) {
  KR_Vector p{x, y, 0.0f};
  KR_VecTransform(&p, &p, &r);
  x = p.x;
  y = p.y;
}

// 20 blended passes; `step` fills the corners and coordinates of pass i. Where the passes all
// cover the screen and the OpenGL runs shaders, they are drawn as one pass of 20 lookups.
template <typename Step>
int passes(const char* function, float alpha, Step step) {
  if (!have_target(function)) return 0;
  alpha = clamp01(alpha);
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  std::array<Corners, kPasses> xy, uv;
  bool fullScreen = true;
  for (int i = 0; i < kPasses; i++) {
    xy[std::size_t(i)] = kGlScreen;
    uv[std::size_t(i)] = Corners{};
    step(i, xy[std::size_t(i)], uv[std::size_t(i)]);
    fullScreen = fullScreen && xy[std::size_t(i)] == kGlScreen;
  }
  begin_target(1, 4);
  if (!GFX_PassChanges(4, colour, 1.0f)) {
    glColor4fv(colour);  // the passes' colour, which they leave current
  } else if (fullScreen && GFX_OglTapsReady()) {
    std::array<GFX_OglTap, kPasses> taps;
    for (std::size_t i = 0; i < taps.size(); i++) GFX_OglTapsFromCorners(xy[i], uv[i], &taps[i]);
    glColor4fv(colour);
    GFX_OglTapsDraw(taps.data(), alpha, kGlZ);
  } else {
    for (int i = 0; i < kPasses; i++) pass(xy[std::size_t(i)], uv[std::size_t(i)], colour);
  }
  end_target(1);
  return 1;
}

// 15 passes into the 256x256 viewport, each captured again before the next. The step of every
// pass breathes with the millisecond clock.
template <typename Coords>
int feedback(const char* function, float alpha, Coords coords) {
  if (!have_target(function)) return 0;
  const double time = double(timeGetTime());
  const float colour[4] = {1.0f, 1.0f, 1.0f, alpha};
  begin_target(1, 4);
  target_viewport();
  for (int i = 0; i < 15; i++) {
    const float b = float(std::sin(double(i)) * 0.002 + std::sin(time / 700.0) * 0.025 + 0.025);
    pass(kGlScreen, coords(b), colour);
    copy_viewport_into_target();
  }
  end_target(1);
  full_viewport();
  return GFX_TargetDraw();
}

}  // namespace

int GFX_TargetBegin(void) {
  GFX_OGL_ENTRY();
  if (!have_target("GFX_TargetBegin")) return 0;
  target_viewport();
  return 1;
}

int GFX_TargetCapture(void) {
  GFX_OGL_ENTRY();
  if (!have_target("GFX_TargetCapture")) return 0;
  GFX_Enable(GFX_TEXTURE);
  bind_target();
  copy_viewport_into_target();
  full_viewport();
  return 1;
}

int GFX_TargetLock(void) {
  GFX_OGL_ENTRY();
  if (!have_target("GFX_TargetLock")) return 0;
  bind_target();
  GFX_ogl.bindLock = 1;
  return 1;
}

int GFX_TargetUnlock(void) {
  GFX_OGL_ENTRY();
  GFX_ogl.bindLock = 0;
  GFX_ogl.lastBound = nullptr;
  return 1;
}

int GFX_TargetDraw(void) {
  GFX_OGL_ENTRY();
  if (!have_target("GFX_TargetDraw")) return 0;
  begin_target(0, 0);
  pass(kGlScreen, kFullUv);
  end_target(0);
  return 1;
}

int GFX_TargetZoomBlur(float amount) {
  GFX_OGL_ENTRY();
  amount = clamp01(amount);
  return passes("GFX_TargetZoomBlur", kPassAlpha,
                [amount](int i, Corners&, Corners& uv) { uv = inset(float(i) / 60.0f * amount); });
}

int GFX_TargetPulse(void) { return GFX_TargetZoomBlur(1.0f); }

int GFX_TargetStretchLeft(float amount) {
  GFX_OGL_ENTRY();
  amount = clamp01(amount);
  return passes("GFX_TargetStretchLeft", kPassAlpha, [amount](int i, Corners&, Corners& uv) {
    const float a = 1.0f - float(i) / 60.0f * amount;
    uv = Corners{{{0, 0}, {a, 0}, {a, 1}, {0, 1}}};
  });
}

int GFX_TargetStretchRight(float amount) {
  GFX_OGL_ENTRY();
  amount = clamp01(amount);
  return passes("GFX_TargetStretchRight", kPassAlpha, [amount](int i, Corners&, Corners& uv) {
    const float a = float(i) / 60.0f * amount;
    uv = Corners{{{a, 0}, {1, 0}, {1, 1}, {a, 1}}};
  });
}

int GFX_TargetZoomSpin(float zoom, float spin) {
  GFX_OGL_ENTRY();
  return passes("GFX_TargetZoomSpin", kPassAlpha, [zoom, spin](int i, Corners& xy, Corners& uv) {
    KR_Matrix r;
    KR_MatFromEuler(&r, 0.0f, 0.0f, float(i) / 20.0f * spin);
    for (auto& corner : xy) rotate(corner[0], corner[1], r);
    uv = inset(zoom * float(i) / 90.0f);
  });
}

int GFX_TargetSpinZoom(float zoom, float spin, float alpha) {
  GFX_OGL_ENTRY();
  return passes("GFX_TargetSpinZoom", alpha, [zoom, spin](int i, Corners&, Corners& uv) {
    KR_Matrix r;
    KR_MatFromEuler(&r, 0.0f, 0.0f, float(i) / 20.0f * spin);
    const float scale = zoom * float(40 - i) / 40.0f;
    for (int k = 0; k < 4; k++) {
      float u = kGlScreen[k][0] * 0.5f, v = kGlScreen[k][1] * 0.5f;
      rotate(u, v, r);
      uv[k][0] = u * scale + 0.5f;
      uv[k][1] = v * scale + 0.5f;
    }
  });
}

int GFX_TargetDrawRect(float x, float y, float sx, float sy) {
  GFX_OGL_ENTRY();
  if (!have_target("GFX_TargetDrawRect")) return 0;
  static constexpr Corners kCorners = {{{-1, 1}, {1, 1}, {1, -1}, {-1, -1}}};
  static constexpr Corners kUv = {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}};
  static constexpr float kGrey[4] = {0.4f, 0.4f, 0.4f, 0.4f};
  Corners xy;
  for (int k = 0; k < 4; k++) {
    xy[k][0] = kCorners[k][0] * sx - 1.0f + x;
    xy[k][1] = kCorners[k][1] * sy + 1.0f + y;
  }
  begin_target(1, 1);
  pass(xy, kUv, kGrey);
  end_target(1);
  return 1;
}

int GFX_TargetFeedbackZoom(void) {
  GFX_OGL_ENTRY();
  return feedback("GFX_TargetFeedbackZoom", 0.25f, [](float b) { return inset(b); });
}

int GFX_TargetFeedbackSmear(void) {
  GFX_OGL_ENTRY();
  return feedback("GFX_TargetFeedbackSmear", 0.2f, [](float b) { return Corners{{{b, 0}, {1, 0}, {1, 1}, {b, 1}}}; });
}
