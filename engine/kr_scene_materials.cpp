// A scene's materials and lightmaps: creating their textures, keeping the materials of a
// replaced list, and releasing them all with the scene.
#include <cstring>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_scene.h"
#include "engine/kr_scene_internal.h"
#include "gfx/gfx_material.h"

int KR_BindMaterials(KR_Scene* s) {
  if (!s) {
    KR_Error("KR_BindMaterials - no scene");
    return 0;
  }
  for (int i = 0; i < s->materialCount; i++)
    if (s->materials[i] && s->materials[i]->created != 1) GFX_MaterialBind(s->materials[i]);
  return 1;
}

int KR_BindLightmaps(KR_Scene* s) {
  if (!s) {
    KR_Error("KR_BindLightmaps - no scene");
    return 0;
  }
  for (int i = 0; i < s->lightmapCount; i++)
    if (s->lightmaps[i]) GFX_MaterialBind(s->lightmaps[i]);
  return 1;
}

int KR_SceneRetireMaterials(KR_Scene* s) {
  if (s->materialCount == 0) return 1;
  auto* kept = static_cast<GFX_Material**>(
      KR_MallocArray(std::int64_t(s->retiredCount) + s->materialCount, sizeof(GFX_Material*), "KR_SceneRetireMaterials - s->retired"));
  if (!kept) return 0;
  if (s->retired) {
    std::memcpy(kept, s->retired, sizeof(GFX_Material*) * std::size_t(s->retiredCount));
    KR_Free(s->retired);
  }
  std::memcpy(kept + s->retiredCount, s->materials, sizeof(GFX_Material*) * std::size_t(s->materialCount));
  s->retired = kept;
  s->retiredCount += s->materialCount;
  s->materialCount = 0;
  return 1;
}

void KR_SceneReleaseMaterials(KR_Scene* s) {
  for (int i = 0; i < s->materialCount; i++) GFX_MaterialDelete(s->materials[i]);
  for (int i = 0; i < s->lightmapCount; i++) GFX_MaterialDelete(s->lightmaps[i]);
  for (int i = 0; i < s->retiredCount; i++) GFX_MaterialDelete(s->retired[i]);
  s->materialCount = s->lightmapCount = s->retiredCount = 0;
}
