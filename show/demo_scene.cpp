// Scene rendering for the show: the render lists, the light override, the fog switch and the
// camera, and the shadowed drawing of what was added.
#include "show/demo_scene.h"

#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_fog.h"
#include "engine/kr_scene.h"
#include "engine/shadow.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "shell/app_shell.h"
#include "show/demo_content.h"

DEMO_RenderLists DEMO_render = {{}, {}, 0, 0, nullptr, 0, {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

namespace {

// Appends a null-terminated array to a list, keeping the last slot for the terminator.
// False when some entries did not fit.
template <typename T>
bool Append(T** list, int* count, T** from) {
  if (!from) return true;
  for (; *from; from++) {
    if (*count >= DEMO_RENDER_LIST_SIZE - 1) return false;
    list[(*count)++] = *from;
  }
  return true;
}

void FogPass(FOG_Volume* fog) {
  if (!fog) return;
  for (KR_Mesh** m = DEMO_render.meshes; *m; m++) {
    FOG_MeshClear(*m);
    FOG_MeshApply(*m, fog, &DEMO_render.camera);
    FOG_MeshRender(*m);
  }
}

}  // namespace

int DEMO_SceneAdd(DEMO_SceneSet* set, float, int, const KR_Matrix* camera) {
  if (!set || !camera) return 0;
  DEMO_render.camera = *camera;
  if (set->lights) {
    for (KR_Light** l = set->lights; *l; l++) {
      KR_LightResetTransformation(*l);
      KR_LightMultiply(*l, camera);
      KR_LightApplyTransformation(*l);
    }
  }
  if (set->meshes) {
    for (KR_Mesh** m = set->meshes; *m; m++) {
      KR_MeshTransformDefault(*m);
      KR_MeshTransformMultiply(*m, camera);
      KR_MeshTransform(*m);
    }
  }
  bool meshesFit = Append(DEMO_render.meshes, &DEMO_render.meshCount, set->meshes);
  bool lightsFit = Append(DEMO_render.lights, &DEMO_render.lightCount, set->lights);
  if (!meshesFit || !lightsFit) {
    KR_Error("DEMO_SceneAdd - render list full (%d entries)", DEMO_RENDER_LIST_SIZE - 1);
    return 0;
  }
  return 1;
}

int DEMO_SceneRender(void) {
  DEMO_render.meshes[DEMO_render.meshCount] = nullptr;
  DEMO_render.lights[DEMO_render.lightCount] = nullptr;
  KR_Light** lights = DEMO_render.lightOverride ? DEMO_render.lightOverride : DEMO_render.lights;
  // The setting is read here, every frame, so that Enter switches shadows at once.
  SHADOW_RenderScene(DEMO_render.meshes, lights, APP_GetSetting(2));
  if (DEMO_render.fog) {
    GFX_Enable(GFX_MODULATE);
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    GFX_MaterialUse(DEMO_orangenvTexture);
    FogPass(DEMO_fog1);
    FogPass(DEMO_fog2);
  }
  int result = 0;
  for (int pass = 0; pass < 2; pass++) {
    result = KR_CacheReset();
    DEMO_render.meshCount = 0;
    DEMO_render.lightCount = 0;
    DEMO_render.meshes[0] = nullptr;
    DEMO_render.lights[0] = nullptr;
  }
  return result;
}

int DEMO_SceneDraw(DEMO_SceneSet* set, float, int, const KR_Matrix* camera) {
  if (!set || !camera) return 0;
  if (set->lights) {
    for (KR_Light** l = set->lights; *l; l++) {
      KR_LightResetTransformation(*l);
      KR_LightMultiply(*l, camera);
      KR_LightApplyTransformation(*l);
    }
  }
  GFX_Enable(GFX_MODULATE);
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_BLEND);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_Enable(GFX_CULL);
  GFX_Set(GFX_SET_CULL, 2, nullptr);
  if (set->meshes) {
    for (KR_Mesh** m = set->meshes; *m; m++) {
      KR_MeshTransformDefault(*m);
      KR_MeshTransformMultiply(*m, camera);
      KR_MeshTransform(*m);
    }
  }
  GFX_Enable(GFX_MODULATE);
  static KR_Light* noLights[1] = {nullptr};
  KR_Light** lights = DEMO_render.lightOverride ? DEMO_render.lightOverride : set->lights ? set->lights : noLights;
  if (set->meshes) SHADOW_RenderScene(set->meshes, lights, 0);
  KR_CacheReset();
  return 1;
}

KR_Mesh* DEMO_SceneMeshAt(DEMO_SceneSet* set, int n) {
  if (!set || !set->meshes || n < 0) return nullptr;
  for (int i = 0; i < n; i++)
    if (!set->meshes[i]) return nullptr;
  return set->meshes[n];
}
