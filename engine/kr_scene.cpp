// Scenes, cameras and lights.
#include "engine/kr_scene.h"

#include <cstring>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "base/kr_name.h"
#include "engine/kr_scene_internal.h"

namespace {

// Gives one of the scene's pointer lists a new capacity; the old array (not its objects) is
// freed.
template <typename T>
int create_list(T**& list, int& count, int& capacity, int n, const char* label) {
  T** made = static_cast<T**>(KR_MallocArray(n, sizeof(T*), label));
  if (!made) return 0;
  if (list) KR_Free(list);
  list = made;
  count = 0;
  capacity = n;
  return 1;
}

template <typename T>
int add_to_list(T** list, int& count, int capacity, T* item, const char* noRoom) {
  if (count >= capacity) {
    KR_Error("%s", noRoom);
    return 0;
  }
  list[count++] = item;
  return 1;
}

}  // namespace

KR_Scene* KR_SceneNew(const char* name) {
  auto* s = static_cast<KR_Scene*>(KR_Malloc(sizeof(KR_Scene), "KR_SceneNew - s"));
  if (!s) return nullptr;
  std::memset(s, 0, sizeof *s);
  KR_NameCopy(s->name, name);
  return s;
}

int KR_SceneCreateMeshes(KR_Scene* s, int n) {
  if (!s) {
    KR_Error("KR_SceneCreateMeshes - no scene");
    return 0;
  }
  return create_list(s->meshes, s->meshCount, s->meshCapacity, n, "KR_SceneCreateMeshes - s->meshes");
}

int KR_SceneCreateCameras(KR_Scene* s, int n) {
  if (!s) {
    KR_Error("KR_SceneCreateCameras - no scene");
    return 0;
  }
  return create_list(s->cameras, s->cameraCount, s->cameraCapacity, n, "KR_SceneCreateCameras - s->cameras");
}

int KR_SceneCreateLights(KR_Scene* s, int n) {
  if (!s) {
    KR_Error("KR_SceneCreateLights - no scene");
    return 0;
  }
  return create_list(s->lights, s->lightCount, s->lightCapacity, n, "KR_SceneCreateLights - s->lights");
}

int KR_SceneCreateMaterials(KR_Scene* s, int n) {
  if (!s) {
    KR_Error("KR_SceneCreateMaterials - no scene");
    return 0;
  }
  return create_list(s->materials, s->materialCount, s->materialCapacity, n, "KR_SceneCreateMaterials - s->materials");
}

int KR_SceneCreateLightmaps(KR_Scene* s, int n) {
  if (!s) {
    KR_Error("KR_SceneCreateLightmaps - no scene");
    return 0;
  }
  return create_list(s->lightmaps, s->lightmapCount, s->lightmapCapacity, n, "KR_SceneCreateLightmaps - s->lightmaps");
}

int KR_SceneAddMesh(KR_Scene* s, KR_Mesh* mesh) {
  if (!s) {
    KR_Error("KR_SceneAddMesh - no scene");
    return 0;
  }
  return add_to_list(s->meshes, s->meshCount, s->meshCapacity, mesh, "KR_SceneAddMesh - no room for mesh");
}

int KR_SceneAddCamera(KR_Scene* s, KR_Camera* camera) {
  if (!s) {
    KR_Error("KR_SceneAddCamera - no scene");
    return 0;
  }
  return add_to_list(s->cameras, s->cameraCount, s->cameraCapacity, camera, "KR_SceneAddCamera - no room for camera");
}

int KR_SceneAddLight(KR_Scene* s, KR_Light* light) {
  if (!s) {
    KR_Error("KR_SceneAddLight - no scene");
    return 0;
  }
  return add_to_list(s->lights, s->lightCount, s->lightCapacity, light, "KR_SceneAddLight - no room for light");
}

int KR_SceneAddMaterial(KR_Scene* s, GFX_Material* material) {
  if (!s) {
    KR_Error("KR_SceneAddMaterial - no scene");
    return 0;
  }
  return add_to_list(s->materials, s->materialCount, s->materialCapacity, material,
                     "KR_SceneAddMaterial - no room for material");
}

int KR_SceneAddLightmap(KR_Scene* s, GFX_Material* lightmap) {
  if (!s) {
    KR_Error("KR_SceneAddLightmap - no scene");
    return 0;
  }
  return add_to_list(s->lightmaps, s->lightmapCount, s->lightmapCapacity, lightmap,
                     "KR_SceneAddLightmap - no room for material");
}

GFX_Material* KR_SceneGetMaterial(KR_Scene* s, int i) {
  if (!s || i < 0 || i >= s->materialCount) {
    KR_Error("KR_SceneGetMaterial - material out of range (%d)", i);
    return nullptr;
  }
  return s->materials[i];
}

int KR_SceneDelete(KR_Scene* s) {
  if (!s) return 0;
  for (int i = 0; i < s->meshCount; i++) KR_MeshDelete(s->meshes[i]);
  for (int i = 0; i < s->cameraCount; i++) KR_Free(s->cameras[i]);
  for (int i = 0; i < s->lightCount; i++) KR_Free(s->lights[i]);
  KR_SceneReleaseMaterials(s);
  if (s->meshes) KR_Free(s->meshes);
  if (s->cameras) KR_Free(s->cameras);
  if (s->lights) KR_Free(s->lights);
  if (s->materials) KR_Free(s->materials);
  if (s->lightmaps) KR_Free(s->lightmaps);
  if (s->retired) KR_Free(s->retired);
  KR_Free(s);
  return 1;
}

// Cameras are cleared, so node and targetNode are null until a keyframe scene is bound.
KR_Camera* KR_CameraNew(const char* name) {
  auto* c = static_cast<KR_Camera*>(KR_Malloc(sizeof(KR_Camera), "KR_CameraNew - c"));
  if (!c) return nullptr;
  std::memset(c, 0, sizeof *c);
  KR_NameCopy(c->name, name);
  return c;
}

int KR_CameraCreate(KR_Camera* c, const KR_Vector* position, const KR_Vector* target) {
  if (!c) return 0;
  c->position = *position;
  c->target = *target;
  c->fov = 60.0f;
  c->roll = 0.0f;
  return 1;
}

int KR_CameraSetFov(KR_Camera* c, float fov) {
  if (!c) return 0;
  c->fov = fov;
  return 1;
}

int KR_CameraSetRoll(KR_Camera* c, float roll) {
  if (!c) return 0;
  c->roll = roll;
  return 1;
}

KR_Light* KR_LightNew(const char* name) {
  auto* l = static_cast<KR_Light*>(KR_Malloc(sizeof(KR_Light), "KR_LightNew - l"));
  if (!l) return nullptr;
  std::memset(l, 0, sizeof *l);
  KR_NameCopy(l->name, name);
  KR_MatIdentity(&l->matrix);
  return l;
}

int KR_LightCreate(KR_Light* l, const KR_Vector* position, const float* colour) {
  if (!l) {
    KR_Error("KR_LightCreate - no light");
    return 0;
  }
  l->position = l->localOrigin = l->basePosition = *position;
  for (int i = 0; i < 4; i++) l->colour[i] = colour[i];
  return KR_LightSetRange(l, 0, 0.0f);
}

int KR_LightSetRange(KR_Light* l, int mode, float range) {
  if (!l) {
    KR_Error("KR_LightSetRange - no light");
    return 0;
  }
  l->rangeMode = mode;
  l->range = range;
  l->range2 = range * range;
  return 1;
}

// The light's transformed position is the matrix's translation.
int KR_LightTransform(KR_Light* l, const KR_Matrix* matrix) {
  if (!l) {
    KR_Error("KR_LightSetRange - no light");
    return 0;
  }
  KR_VecZero(&l->localOrigin);
  KR_VecTransform(&l->tposition, &l->localOrigin, matrix);
  return 1;
}

int KR_LightIdentity(KR_Light* l) {
  if (!l) return 0;
  KR_MatIdentity(&l->matrix);
  return 1;
}

int KR_LightResetTransformation(KR_Light* l) {
  if (!l) return 0;
  KR_MatIdentity(&l->matrix);
  l->matrix.m[12] = l->basePosition.x;
  l->matrix.m[13] = l->basePosition.y;
  l->matrix.m[14] = l->basePosition.z;
  return 1;
}

int KR_LightMultiply(KR_Light* l, const KR_Matrix* matrix) {
  if (!l) return 0;
  KR_MatMultiply(&l->matrix, &l->matrix, matrix);
  return 1;
}

int KR_LightApplyTransformation(KR_Light* l) {
  if (!l) return 0;
  const KR_Matrix m = l->matrix;
  return KR_LightTransform(l, &m);
}
