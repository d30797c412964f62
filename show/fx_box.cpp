// The box sections: a camera flying round the box set with the light-shaft cross drawn in the
// same view, its picture first the scroll clip, then the fan ring seen through the mask.
#include "show/fx_box.h"

#include <cmath>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_shafts.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo_content.h"
#include "show/demo_scene.h"
#include "show/fx.h"
#include "show/fx_fanring.h"
#include "show/video.h"

namespace {

constexpr float kPathStart = 2.7f;

float clamp01(float x) { return x < 0.0f ? 0.0f : x > 1.0f ? 1.0f : x; }

KR_Matrix camera_matrix(float r, float t, int mask) {
  const FX_BoxView v = FX_BoxCamera(r, t, mask);
  KR_Matrix c;
  KR_MatLookAt(&c, &v.eye, &v.target, v.roll);
  return c;
}

// The fan ring with the mask multiplied over it, upside down, captured into the render target.
void capture_fan_ring(float t) {
  GFX_TargetBegin();
  GFX_BeginFrame();
  FX_FanRingDraw(&FX_fanRingBox, DEMO_fanScene, t, 1.0f);
  GFX_ScreenDrawMulFlipped(DEMO_maskTexture);
  GFX_TargetCapture();
}

void begin_box_frame(int cull) {
  GFX_BeginFrame();
  if (cull) GFX_Enable(GFX_CULL);
  else GFX_Disable(GFX_CULL);
  GFX_Enable(GFX_TEXTURE);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Set(GFX_SET_DEPTH, 2, nullptr);
  GFX_Enable(GFX_MODULATE);
}

}  // namespace

FX_BoxView FX_BoxCamera(float r, float t, int mask) {
  if (!(r >= kPathStart)) return {{0.0f, 0.0f, -360.0f}, {0.0f, 0.0f, 0.0f}, 0.0f, 0.0f};
  const float e = std::fmin((r - kPathStart) / 2.0f, 1.0f);
  const float x = mask ? std::sin(t / 1.3f) : std::cos(t / 1.3f);
  FX_BoxView v;
  v.eye = {x * 1500.0f * e, 0.0f, (std::sin(t / 1.8f) * 1400.0f - 2000.0f) * e - 360.0f * (1.0f - e)};
  v.target = {(std::cos(t) * 500.0f - 200.0f) * e, 0.0f, (std::sin(t / 1.5f) * 400.0f - 600.0f) * e};
  v.roll = (r - kPathStart) / 3.0f;
  v.e = e;
  return v;
}

float FX_BoxClipOpening(float r) { return r < kPathStart ? clamp01(1.0f - r / 1.5f) : 0.0f; }
float FX_BoxClipVeil(float t) { return t > 268.0f ? clamp01((t - 266.0f) / 4.0f) : 0.0f; }
float FX_BoxClipRing(float t) { return t > 267.0f ? clamp01((t - 265.0f) / 3.0f) : 0.0f; }

int FX_BoxClip(void) {
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  GFX_Enable(GFX_TEXTURE);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Set(GFX_SET_DEPTH, 2, nullptr);
  // The clip's frame area, whatever an earlier run of the mask section left.
  GFX_ShaftsSetRect(0.0f, 0.625f, 0.0f, 0.46875f);
  VIDEO_StreamOpen(VIDEO_player1, "data\\video\\scroll.clp");
  VIDEO_StreamStart(VIDEO_player1);
  VIDEO_TextureShow(VIDEO_player1, DEMO_clip200);
  const float t0 = MUSIC_GetTime();
  while (APP_IsRunning(0) && MUSIC_GetTime() < 272.3f) {
    const float t = MUSIC_GetTime();
    const float r = t - t0;
    if (t > 265.0f) capture_fan_ring(t);
    begin_box_frame(0);
    const KR_Matrix c = camera_matrix(r, t, 0);
    DEMO_SceneDraw(DEMO_boxSet, 0.0f, -1, &c);
    // The clip's upload binds through the driver, outside the bind lock.
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_MaterialUse(DEMO_clip200);
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    GFX_ShaftsDraw(std::fmax(r - kPathStart, 0.0f), &c);
    if (r < kPathStart) GFX_ScreenDrawAlpha(DEMO_clip200, FX_BoxClipOpening(r));
    if (t > 267.0f) {
      if (t > 268.0f) GFX_ScreenFade(FX_BoxClipVeil(t), 1, nullptr);
      GFX_TargetLock();
      GFX_ScreenDrawAddFull(nullptr, FX_BoxClipRing(t));
      GFX_TargetUnlock();
    }
    GFX_EndFrame();
  }
  return 1;
}

int FX_BoxMask(void) {
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  const float t0 = MUSIC_GetTime();
  // The cross's picture is the whole capture texture, not a clip's corner of its texture.
  GFX_ShaftsSetRect(0.0f, 1.0f, 0.0f, 1.0f);
  while (APP_IsRunning(0) && MUSIC_GetTime() < 293.5f) {
    const float t = MUSIC_GetTime();
    const float r = t - t0;
    capture_fan_ring(t);
    begin_box_frame(1);
    const KR_Matrix c = camera_matrix(r, t, 1);
    DEMO_SceneDraw(DEMO_boxSet, 0.0f, -1, &c);
    GFX_TargetLock();
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    GFX_ShaftsDraw(std::fmax(r - kPathStart, 0.0f), &c);
    if (r < 1.0f) GFX_ScreenDrawAlphaFull(nullptr, 1.0f - r);
    GFX_TargetUnlock();
    GFX_EndFrame();
  }
  return 1;
}
