// The sphere sections: the blob seen through its spinning blur, with the couple picture and
// the inverted scroll clip.
#include <cmath>

#include "base/kr_error.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo_content.h"
#include "show/demo_helpers.h"
#include "show/fx.h"
#include "show/video.h"

float FX_coupleZoomOrigin = 0.0f;

namespace {

bool g_scrollClipOpened = false;

KR_Mesh* Blob(void) {
  if (!DEMO_sphereScene || DEMO_sphereScene->meshCount < 1 || !DEMO_sphereScene->meshes[0]) {
    KR_Error("FX_Sphere - no sphere mesh");
    return nullptr;
  }
  return DEMO_sphereScene->meshes[0];
}

// Before the loop of either section; returns the blob and notes T0.
KR_Mesh* Begin(GFX_Material* layer0, float* t0) {
  KR_Mesh* blob = Blob();
  if (!blob) return nullptr;
  GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  *t0 = MUSIC_GetTime();
  GFX_Disable(GFX_BLEND);
  DEMO_MeshSetMaterial(blob, DEMO_phongTexture, 1);
  DEMO_MeshSetMaterial(blob, layer0, 0);
  return blob;
}

// The blob at distance d drawn into the 256 x 256 target, captured, and spun back over a new
// frame; the caller lays its overlays on top and ends the frame.
void BlobFrame(KR_Mesh* blob, float d) {
  GFX_TargetBegin();
  GFX_BeginFrame();
  KR_MeshTransformIdentity(blob);
  float t = MUSIC_GetTime();
  const float a = 9.0f * std::sin(t / 29.0f) * 6.0f * std::cos(t / 33.0f);
  const float b = 6.0f * std::sin(-t / 32.0f) * 6.0f * std::sin(t / 53.0f);
  const float c = std::cos(t / 36.0f + 10.0f) * 3.0f * std::cos(123.0f - t / 28.0f);
  KR_Matrix place;
  KR_MatFromEuler(&place, a, b, c);
  place.m[14] = d;
  DEMO_MeshWobble(blob, t, 1.0f, 2, 2, 2, &place);

  GFX_Disable(GFX_MODULATE);
  GFX_Set(GFX_SET_CULL, 2, nullptr);
  DEMO_MeshEnvMap(blob, 1);
  GFX_SetTextureLayer(0);
  KR_MeshRender(blob);
  // The environment layer added over the base.
  GFX_SetTextureLayer(1);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);
  KR_MeshRender(blob);
  GFX_Disable(GFX_BLEND);

  GFX_TargetCapture();
  GFX_BeginFrame();
  t = MUSIC_GetTime();
  GFX_TargetSpinZoom(std::cos(t / 1.3f) * 0.3f + 0.8f, std::cos(t) * 2.28f, 0.1f);
  GFX_SetTextureLayer(0);
}

// The couple picture turning and shrinking from the moment it began to move.
void CoupleDraw(float t, float alpha) {
  const float since = t - FX_coupleZoomOrigin;
  GFX_PictureDrawAlphaRotated(0.0f, 0.0f, DEMO_couplePicture, alpha, 4.0f - since / 4.7f, since / 2.0f);
}

}  // namespace

int FX_SphereCouple(void) {
  float t0 = 0.0f;
  KR_Mesh* blob = Begin(DEMO_babyTexture, &t0);
  if (!blob) return 0;
  while (APP_IsRunning(0) && MUSIC_GetTime() < 86.3f) {
    BlobFrame(blob, 650.0f);
    float t = MUSIC_GetTime();
    if (t - t0 > 5.0f) {
      CoupleDraw(t, 0.2f * DEMO_Clamp01((t - (t0 + 5.0f)) / 2.0f));
    } else {
      FX_coupleZoomOrigin = t;
    }
    t = MUSIC_GetTime();
    const float r = t - t0;
    // The giant clock FX_MuShadows left on screen fades out.
    if (r < 1.0f) GFX_SpriteDrawAlpha(1.0f, -1.0f, 1.0f - r, 101.4f, t / 3.0f, DEMO_clockTexture);
    GFX_EndFrame();
  }
  GFX_SetTextureLayer(0);
  return 1;
}

int FX_SphereClip(void) {
  float t0 = 0.0f;
  KR_Mesh* blob = Begin(DEMO_abstractTexture, &t0);
  if (!blob) return 0;
  // Where the section starts after the clip's moment, its fade-in starts with the section.
  float clipOrigin = t0;
  while (APP_IsRunning(0) && MUSIC_GetTime() < DEMO_Time(1, 36.9f)) {
    // The blob flies toward the viewer.
    BlobFrame(blob, 1250.0f - 70.0f * (MUSIC_GetTime() - t0));
    float t = MUSIC_GetTime();
    if (t <= DEMO_Time(1, 33.9f)) {
      clipOrigin = t;
    } else if (!g_scrollClipOpened) {
      VIDEO_StreamOpen(VIDEO_player1, "data\\video\\scroll.clp");
      VIDEO_StreamStart(VIDEO_player1);
      VIDEO_TextureShow(VIDEO_player1, DEMO_clip200);
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      g_scrollClipOpened = true;
    } else {
      VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
      VIDEO_TextureInvert(VIDEO_player1, DEMO_clip201);
      GFX_ScreenDrawAlpha(DEMO_clip201, t - clipOrigin);
    }
    t = MUSIC_GetTime();
    if (t - t0 < 8.0f) CoupleDraw(t, 0.2f * (1.0f - DEMO_Clamp01((t - (t0 + 6.0f)) / 2.0f)));
    GFX_EndFrame();
  }
  GFX_SetTextureLayer(0);
  return 1;
}
