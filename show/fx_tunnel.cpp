// The opening: the tunnel drawn from the cylinder scene in three blended passes, the wrapping
// picture scrollers, and the logo section with its particle burst and the first scroll clip.
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
#include "show/fx.h"
#include "show/video.h"

namespace {

// The tunnel mesh's transformation after the last FX_Tunnel: the burst's particles ride on it.
KR_Matrix g_tunnelFrame = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
// The particle burst starts once in the whole run, however often the section is entered.
bool g_burstStarted = false;

KR_Mesh* tunnel_mesh() {
  const KR_Scene* s = DEMO_cylinderScene;
  return s && s->meshCount > 0 && s->meshes ? s->meshes[0] : nullptr;
}

// Rewrites every corner's layer-1 coordinates from its layer-0 ones shifted by (du, du).
void shift_layer1(KR_Mesh* m, float du) {
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    for (int k = 0; k < p.cornerCount; k++) {
      p.corners[k].lu = p.corners[k].u + du;
      p.corners[k].lv = p.corners[k].v + du;
    }
  }
}

// Layer-1 coordinates along the tunnel's length: the gradient's u is object-space y / 1000.
void gradient_layer1(KR_Mesh* m) {
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    for (int k = 0; k < p.cornerCount; k++) {
      p.corners[k].lu = p.corners[k].vertex->position.y / 1000.0f;
      p.corners[k].lv = 0.0f;
    }
  }
}

void scroll_x(float t, float speed, float offset, float* x0, float* x1) {
  const float p = std::fmod(t * speed + offset, 640.0f);
  *x0 = 2.0f * p / 640.0f;
  *x1 = 2.0f * (p - 640.0f) / 640.0f;
}

// The group picture and the logo by time, then the burst from 22 s on.
void logo_pictures(float start) {
  float t = MUSIC_GetTime();
  if (t < 13.0f) {
    GFX_PictureDrawAlpha(0, 0, DEMO_groupPicture, MUSIC_GetTime() - start);
  } else if (t < 17.0f) {
    GFX_PictureDrawAlpha(0, 0, DEMO_groupPicture, 1.0f);
  } else if (t < 18.0f) {
    GFX_PictureDrawAlpha(0, 0, DEMO_groupPicture, 1.0f - (MUSIC_GetTime() - 17.0f));
    GFX_PictureDrawAlpha(0, 0, DEMO_logoPicture, MUSIC_GetTime() - 17.0f);
  } else if (t < 22.0f) {
    GFX_PictureDrawAlpha(0, 0, DEMO_logoPicture, 1.0f);
  } else if (t < 23.0f) {
    if (!g_burstStarted) {
      DEMO_SpriteSetMaterial(DEMO_lensTexture);
      DEMO_FountainInit(MUSIC_GetTime());
      g_burstStarted = true;
    }
    GFX_PictureDrawAlpha(0, 0, DEMO_logoPicture, 1.0f - (MUSIC_GetTime() - 22.0f));
    DEMO_SpriteSetFrame(&g_tunnelFrame);
    DEMO_FountainDraw(MUSIC_GetTime(), MUSIC_GetTime() - 22.0f);
  } else {
    DEMO_SpriteSetFrame(&g_tunnelFrame);
    DEMO_FountainDraw(MUSIC_GetTime(), 1.0f);
  }
}

}  // namespace

int FX_Tunnel(float brightness) {
  KR_Mesh* mesh = tunnel_mesh();
  if (!mesh) return 0;
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_CULL);
  GFX_Enable(GFX_MODULATE);
  const float colour[4] = {brightness, brightness, brightness, brightness};
  GFX_Set(GFX_SET_COLOUR, 1, colour);
  DEMO_MeshSetMaterial(mesh, DEMO_babyTexture, 1);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 1, nullptr);

  // It turns slowly on all three axes and sways sideways by up to 70 units.
  KR_Matrix m;
  KR_MatFromEuler(&m, MUSIC_GetTime(), MUSIC_GetTime() / 20.0f, MUSIC_GetTime() / 10.0f);
  m.m[12] = 70.0f * std::cos(MUSIC_GetTime() / 2.0f);
  KR_MeshTransformDefault(mesh);
  KR_MeshTransformMultiply(mesh, &m);
  KR_MeshTransform(mesh);
  GFX_SetTextureLayer(1);

  // Two layers of the texture sliding against each other, then the gradient along its length.
  shift_layer1(mesh, MUSIC_GetTime() / 10.0f);
  KR_MeshRender(mesh);
  shift_layer1(mesh, -MUSIC_GetTime() / 7.0f);
  KR_MeshRender(mesh);
  DEMO_MeshSetMaterial(mesh, DEMO_gradient1Texture, 1);
  gradient_layer1(mesh);
  KR_MeshRender(mesh);

  GFX_Disable(GFX_BLEND);
  GFX_SetTextureLayer(0);
  g_tunnelFrame = mesh->transformation;
  return 1;
}

int FX_ScrollPicture(float y, float offset, float speed, GFX_Picture* picture) {
  float x0, x1;
  scroll_x(MUSIC_GetTime(), speed, offset, &x0, &x1);
  GFX_PictureDrawMul(x0, -2.0f * y / 480.0f, picture);
  GFX_PictureDrawMul(x1, -2.0f * y / 480.0f, picture);
  return 1;
}

int FX_ScrollPictureBack(float y, float offset, float speed, GFX_Picture* picture, float opacity) {
  float x0, x1;
  scroll_x(MUSIC_GetTime(), speed, offset, &x0, &x1);
  GFX_PictureDrawAlpha(-x0, -2.0f * y / 480.0f, picture, opacity);
  GFX_PictureDrawAlpha(-x1, -2.0f * y / 480.0f, picture, opacity);
  return 1;
}

int FX_LogoSection(void) {
  GFX_SetPerspective(150.0f, 1.0f, 6000.0f);
  const float start = MUSIC_GetTime();
  bool clipStarted = false;
  while (APP_IsRunning(0) && MUSIC_GetTime() < 32.0f) {
    GFX_BeginFrame();
    FX_Tunnel(1.0f);
    FX_ScrollPicture(184.0f, 0.0f, 70.0f, DEMO_logoBackPicture);
    logo_pictures(start);
    if (MUSIC_GetTime() > 30.3f) {
      if (!clipStarted) {
        VIDEO_StreamOpen(VIDEO_player1, "data\\video\\scroll.clp");
        VIDEO_StreamStart(VIDEO_player1);
        VIDEO_TextureShow(VIDEO_player1, DEMO_clip200);
        clipStarted = true;
      } else {
        VIDEO_TextureUpdate(VIDEO_player1, DEMO_clip200);
      }
      GFX_ScreenDrawAlpha(DEMO_clip200, std::min(MUSIC_GetTime() - 30.3f, 1.0f));
    }
    GFX_EndFrame();
  }
  GFX_SetTextureLayer(0);
  return 1;
}
