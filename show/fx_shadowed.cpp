// The shadowed scene sections: the mu4 set under two orbiting lights with the street clip and
// the swelling clock, and the weird set under four lights in fog with the bars, the hands and
// smoke, the fan ring and the beauty picture.
#include <algorithm>
#include <cmath>

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "shell/app_shell.h"
#include "shell/music.h"
#include "show/demo_content.h"
#include "show/demo_helpers.h"
#include "show/demo_scene.h"
#include "show/fx.h"
#include "show/fx_fanring.h"
#include "show/video.h"

namespace {

// The street clip is opened on the section's first pass through its window only.
bool g_streetClipOpened = false;

void SetLight(KR_Light* l, KR_Vector at, float r, float g, float b) {
  l->basePosition = at;
  l->colour[0] = r;
  l->colour[1] = g;
  l->colour[2] = b;
}

// The set's light n, or null where the set has fewer lights.
KR_Light* SetLightAt(DEMO_SceneSet* set, int n) {
  if (!set->lights) return nullptr;
  for (int i = 0; i < n; i++)
    if (!set->lights[i]) return nullptr;
  return set->lights[n];
}

void DrawGlows(DEMO_SceneSet* set) {
  if (!set->lights) return;
  for (KR_Light** l = set->lights; *l; l++) DEMO_LightGlowDraw(&(*l)->tposition, 1.0f, (*l)->colour, DEMO_lensTexture);
}

void SmokeDraw(float t, float amount) {
  // The light glows leave their own texture on the sprite quad.
  GFX_SetTextureLayer(0);
  DEMO_SpriteSetMaterial(DEMO_smokeTexture);
  DEMO_SmokeAmount(amount);
  const KR_Vector origin{0.0f, 0.0f, 0.0f};
  DEMO_SmokeDraw(t, &origin, &DEMO_smokeFrame);
}

void MuFrame(DEMO_SceneSet* set, float t0) {
  float t = MUSIC_GetTime();
  if (KR_Light* l = SetLightAt(set, 0)) {
    SetLight(l, {50.0f * std::cos(t), 50.0f * std::sin(3.0f * t), 50.0f * std::sin(2.0f * t)}, 0.5f, 0.4f, 0.9f);
    l->rangeMode = 0;
  }
  if (KR_Light* l = SetLightAt(set, 1)) {
    SetLight(l, {60.0f * std::sin(2.0f * t), 50.0f * std::cos(t), 60.0f * std::cos(3.0f * t)}, 0.9f, 0.5f, 0.4f);
    l->rangeMode = 0;
  }
  t = MUSIC_GetTime();
  const KR_Vector eye{55.0f * std::cos(t), 55.0f * std::sin(t / 3.0f), 55.0f * std::sin(t / 2.0f)};
  const KR_Vector target{0.0f, 0.0f, 0.0f};
  KR_Matrix camera, spin;
  KR_MatLookAt(&camera, &eye, &target, t);
  KR_MatFromEuler(&spin, t / 1.3f, t / 2.0f, 0.0f);

  GFX_BeginFrame();
  DEMO_SceneAdd(set, 0.0f, -1, &camera);
  if (DEMO_render.meshCount > 13) {
    // The core spins in place inside the set.
    KR_Mesh* core = DEMO_render.meshes[13];
    KR_MeshTransformDefault(core);
    KR_MeshTransformMultiply(core, &spin);
    KR_MeshTransformMultiply(core, &DEMO_render.camera);
    KR_MeshTransform(core);
  }
  DEMO_SceneRender();
  DrawGlows(set);
  DrawGlows(set);
  GFX_Enable(GFX_TEXTURE);

  t = MUSIC_GetTime();
  const float r = t - t0;
  if (r < 1.0f) GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_societyPicture, 1.0f - r);

  t = MUSIC_GetTime();
  if (t > 60.0f && t < 66.0f) {
    if (!g_streetClipOpened) {
      VIDEO_StreamOpen(VIDEO_player1, "data\\video\\fa_street2.clp");
      VIDEO_StreamStart(VIDEO_player1);
      VIDEO_TextureShow(VIDEO_player1, DEMO_clip200);
      g_streetClipOpened = true;
    } else {
      VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
    }
    // One second in, one second out.
    const float s = std::clamp(t > 65.0f ? 1.0f - (t - 65.0f) : t - 60.0f, 0.0f, 1.0f);
    GFX_ScreenDrawAlpha(DEMO_clip200, 0.7f * s);
  }

  t = MUSIC_GetTime();
  if (t > 65.0f) {
    float opacity, size;
    if (t < 74.0f) {
      opacity = 0.5f * std::min(t - 65.0f, 1.0f);
      size = 1.4f;
    } else {
      // The clock swells until it fills the screen.
      const float w = 1.0f - std::cos(std::min(t - 74.0f, 1.57f));
      opacity = w * 2.5f + 0.5f;
      size = w * 100.0f + 1.4f;
    }
    GFX_SpriteDrawAlpha(1.0f, -1.0f, opacity, size, t / 3.0f, DEMO_clockTexture);
  }
  GFX_EndFrame();
}

struct WeirdLight {
  float ySin;     // 1: y follows sin 2t, 0: cos 2t
  float zPeriod;  // z = 135 cos(t / zPeriod)
  float colour[3];
};
constexpr WeirdLight kWeirdLights[4] = {
    {1, 2.5f, {0.6f, 0.5f, 0.4f}},
    {0, 1.4f, {0.4f, 0.5f, 0.6f}},
    {1, 2.2f, {0.4f, 0.6f, 0.5f}},
    {0, 1.8f, {0.6f, 0.4f, 0.5f}},
};

// The bars slide up from below, hold, then slide on up and away; y in 480-row pixels.
float BarHeight(float k) {
  if (k < 1.57f) return (1.0f - std::sin(k)) * 400.0f + 310.0f;
  if (k < 4.57f) return 310.0f;
  return 310.0f - (1.0f - std::sin(1.57f - ((k - 3.0f) - 1.57f))) * 400.0f;
}

struct WeirdState {
  float t0;
  float barStart;  // S: the music time the bars count from
  float ringFade;  // w: kept between 141 and 148
};

void WeirdFrame(DEMO_SceneSet* set, WeirdState* st) {
  float t = MUSIC_GetTime();
  for (int i = 0; i < 4; i++) {
    KR_Light* l = SetLightAt(set, i);
    if (!l) break;
    const WeirdLight& w = kWeirdLights[i];
    const float y = w.ySin != 0.0f ? std::sin(2.0f * t) : std::cos(2.0f * t);
    SetLight(l, {30.0f * std::sin(2.0f * t), 20.0f * y, 135.0f * std::cos(t / w.zPeriod)}, w.colour[0], w.colour[1],
             w.colour[2]);
    KR_LightSetRange(l, 1, 250.0f);
  }
  t = MUSIC_GetTime();
  const KR_Vector eye{21.0f * std::cos(t), 21.0f * std::sin(t / 3.0f), 170.0f * std::sin(t / 2.0f)};
  const KR_Vector target{121.0f * std::sin(t / 2.3f), 121.0f * std::cos(t / 2.9f), 210.0f * std::sin(t / 4.5f)};
  KR_Matrix camera;
  KR_MatLookAt(&camera, &eye, &target, t / 3.0f);

  GFX_BeginFrame();
  DEMO_SceneAdd(set, 0.0f, -1, &camera);
  DEMO_SceneRender();
  DrawGlows(set);
  GFX_Enable(GFX_TEXTURE);

  t = MUSIC_GetTime();
  float r = t - st->t0;
  if (r <= 10.0f) {
    st->barStart = t;
  } else {
    const float k = (t - st->barStart) / 1.3f;
    if (k < 6.14f) {
      const float y = BarHeight(k);
      GFX_PictureDrawAlpha(0.0f, -2.0f * y / 480.0f, DEMO_barBackPicture, 0.5f);
      FX_ScrollPictureBack(y + 42.0f, 0.0f, 50.0f, DEMO_barText1Picture, 0.5f);
      FX_ScrollPictureBack(y + 58.0f, 0.0f, 70.0f, DEMO_barText2Picture, 0.5f);
    }
  }

  t = MUSIC_GetTime();
  r = t - st->t0;
  if (r < 8.0f) {
    const float a = DEMO_Clamp01(r / 2.0f), b = DEMO_Clamp01(r) * 0.6f;
    GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_handsPicture, 1.0f - b);
    GFX_ScreenFade(0.6f * a, 1, nullptr);
    SmokeDraw(t, 0.08f);
  } else if (r < 10.0f) {
    const float z = DEMO_Clamp01((r - 8.0f) / 2.0f);
    GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_handsPicture, 0.4f * (1.0f - z));
    GFX_ScreenFade(0.6f * (1.0f - z), 1, nullptr);
    SmokeDraw(t, 0.08f * (1.0f - z));
  }

  t = MUSIC_GetTime();
  if (t > 139.0f && t < 150.0f) {
    if (t < 141.0f) st->ringFade = (t - 139.0f) / 2.0f;
    if (t > 148.0f) st->ringFade = 1.0f - (t - 148.0f) / 2.0f;
    GFX_SpriteDrawAlpha(1.0f, -1.0f, 0.5f * st->ringFade, 1.4f, -t / 3.0f, DEMO_babyTexture);
    FX_FanRingDraw(&FX_fanRingWeird, DEMO_fanScene, t, st->ringFade);
  }

  t = MUSIC_GetTime();
  if (t > DEMO_Time(2, 35.5f)) GFX_PictureDrawAlpha(0.0f, 0.0f, DEMO_beautyPicture, (t - 155.5f) / 2.0f);
  GFX_EndFrame();
}

}  // namespace

int FX_MuShadows(void) {
  DEMO_SceneSet* set = DEMO_mu4Set;
  if (!set) return 0;
  GFX_SetPerspective(150.0f, 0.01f, 1000.0f);
  if (DEMO_SceneMeshAt(set, 13) && DEMO_SceneMeshAt(set, 13)->polyCount > 0) {
    KR_Mesh* core = DEMO_SceneMeshAt(set, 13);
    DEMO_MeshSetMaterial(core, core->polys[0].material, 1);
  }
  const float t0 = MUSIC_GetTime();
  while (APP_IsRunning(0) && MUSIC_GetTime() < 75.7f) MuFrame(set, t0);
  return 1;
}

int FX_WeirdScene(void) {
  DEMO_SceneSet* set = DEMO_weirdSet;
  if (!set) return 0;
  GFX_SetPerspective(150.0f, 0.01f, 1000.0f);
  WeirdState st{MUSIC_GetTime(), 0.0f, 0.0f};
  st.barStart = st.t0;
  DEMO_render.fog = 1;
  while (APP_IsRunning(0) && MUSIC_GetTime() < DEMO_Time(2, 37.5f)) WeirdFrame(set, &st);
  DEMO_SmokeAmount(0.08f);
  DEMO_render.fog = 0;
  return 1;
}
