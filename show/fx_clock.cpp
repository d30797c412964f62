// The clock landscape: thirty faint additive copies of the fjall mesh in rows along the three
// axes round a circling camera, with the scroll clip fading out, the grid and chocolate-chip
// pictures, the clock through a spinning blur and the society picture under the flying text.
#include "show/fx_clock.h"

#include <cmath>

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_picture.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo_content.h"
#include "show/fx.h"
#include "show/video.h"

namespace {

constexpr float kEnd = 55.1f;
constexpr float kBaseStrength = 0.1f;
constexpr float kRowEuler[3][3] = {{1.5707964f, 1.5707964f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1.5707964f, 0.0f, 0.0f}};
constexpr float kCopyColour[4] = {0.7f, 0.8f, 0.7f, 0.0f};
constexpr FX_TextBlockStyle kClockStyle = {0.4f, 0.8f, 0.5f, 140.0f, 280.0f, 400.0f};
constexpr float kRevealStart = 51.6f;

float clamp01(float x) { return x < 0.0f ? 0.0f : x > 1.0f ? 1.0f : x; }

// The clock drawn into the render target, captured, and spun back over the screen.
void clock_blur(float t) {
  GFX_TargetBegin();
  GFX_BeginFrame();
  GFX_SpriteDrawAdd(1.0f, -1.0f, 1.4f, t / 6.0f, DEMO_clockTexture);
  GFX_TargetCapture();
  GFX_BeginFrame();
  GFX_TargetSpinZoom(std::cos(t / 1.3f) * 0.3f + 0.8f, std::cos(t) * 2.28f, 0.1f);
}

void draw_copies(float t, float r, float s) {
  KR_Mesh* mesh = DEMO_fjallScene && DEMO_fjallScene->meshCount > 0 ? DEMO_fjallScene->meshes[0] : nullptr;
  if (!mesh) return;
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 1, kCopyColour);
  GFX_Enable(GFX_TEXTURE);
  GFX_Enable(GFX_BLEND);
  const float strength = kBaseStrength;
  GFX_Set(GFX_SET_BLEND, 1, &strength);
  GFX_Disable(GFX_DEPTH_TEST);
  GFX_Disable(GFX_CULL);
  GFX_Enable(GFX_PERSPECTIVE);

  const float eye[3] = {80.0f * std::cos(t), 80.0f * std::cos(t / 3.0f), 80.0f * std::sin(t)};
  const KR_Vector eyeV = {eye[0], eye[1], eye[2]}, origin = {0.0f, 0.0f, 0.0f};
  KR_Matrix g;
  KR_MatLookAt(&g, &eyeV, &origin, t / 4.0f);
  for (int p = 0; p < 3; p++) {
    KR_Matrix row;
    KR_MatFromEuler(&row, kRowEuler[p][0], kRowEuler[p][1], kRowEuler[p][2]);
    for (int i = 0; i < 10; i++) {
      KR_MeshTransformIdentity(mesh);
      if (r > 5.0f) {
        // The copies start turning about their own y axis, each a little ahead of the last.
        const float e = std::fmin((r - 5.0f) / 3.0f, 1.0f);
        KR_Matrix spin;
        KR_MatFromEuler(&spin, 0.0f, (r - 5.0f + float(i) / 7.0f) * e, 0.0f);
        KR_MeshTransformMultiply(mesh, &spin);
      }
      row.m[12 + p] = float(i - 5) * 20.0f;
      const float a = FX_ClockCopyStrength(eye[p], i, r, s);
      GFX_Set(GFX_SET_BLEND, 3, &a);
      KR_MeshTransformMultiply(mesh, &row);
      KR_MeshTransformMultiply(mesh, &g);
      KR_MeshTransform(mesh);
      // A copy not yet faded in adds nothing (no depth test, so no depth written either).
      const float colour[4] = {kCopyColour[0], kCopyColour[1], kCopyColour[2], a};
      if (GFX_PassChanges(3, colour, 1.0f)) KR_MeshRender(mesh);
    }
  }
}

void draw_overlays(float t, float r) {
  const float clip = FX_ClockClipBrightness(r);
  if (clip >= 0.0f) {
    VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    GFX_ScreenDrawAdd(DEMO_clip200, clip);
  }
  if (r > 2.0f) {
    GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_gridPicture, std::fmin(r - 2.0f, 1.0f));
    // The chocolate-chip picture rises at 60 pixels a second.
    const float y = 550.0f - 60.0f * (r - 2.0f);
    GFX_PictureDrawAlpha(0.15625f, -2.0f * y / 480.0f, DEMO_chocochipPicture, 1.0f);
  }
  if (t > kRevealStart) {
    const float u = std::fmin((t - kRevealStart) / 1.7f, 1.57f);
    GFX_PictureDrawAlphaScaled(0.0f, 0.0f, DEMO_societyPicture, 1.0f - std::cos(u), (1.0f - std::sin(u)) * 300.0f + 1.0f);
    FX_TextBlockDraw(t - kRevealStart, &kClockStyle);
  }
}

}  // namespace

float FX_ClockDim(float t) {
  if (!(t > 44.0f && t < 48.0f)) return 0.0f;
  const float s = t < 45.0f ? t - 44.0f : t <= 47.0f ? 1.0f : 1.0f - (t - 47.0f);
  return 0.9f * s;
}

float FX_ClockClipBrightness(float r) { return r < 1.75f ? clamp01(1.0f - (r - 0.75f)) : -1.0f; }

float FX_ClockCopyStrength(float eye, int i, float r, float s) {
  const float d = std::fabs(eye - float(i - 5) * 20.0f);
  float a = d >= 60.0f ? kBaseStrength : kBaseStrength * d / 60.0f;
  if (r < 3.0f) a *= clamp01(r + float(i) / 3.0f - 3.0f);
  return a * (1.0f - s);
}

int FX_ClockLandscape(void) {
  GFX_SetPerspective(90.0f, 1.0f, 10000.0f);
  if (DEMO_fjallScene && DEMO_fjallScene->cameraCount > 0 && DEMO_fjallScene->cameras[0])
    GFX_SetPerspective(DEMO_fjallScene->cameras[0]->fov * 180.0f / 3.1415927f, 1.0f, 10000.0f);
  const float t0 = MUSIC_GetTime();
  while (APP_IsRunning(0) && MUSIC_GetTime() < kEnd) {
    const float t = MUSIC_GetTime();
    const float r = t - t0;
    float s = 0.0f;
    if (t > 44.0f && t < 48.0f) {
      clock_blur(t);
      s = FX_ClockDim(t);
      GFX_ScreenFade(1.0f - s, 1, nullptr);
    } else {
      GFX_BeginFrame();
    }
    draw_copies(t, r, s);
    draw_overlays(t, r);
    GFX_EndFrame();
  }
  return 1;
}
