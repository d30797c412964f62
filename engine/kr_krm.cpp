// The KRM scene loader. Every field is read little-endian on its own; every count, index and
// string is checked before it is used, and a chunk that fails ends loading with the scene as
// loaded so far (complete records only).
#include "engine/kr_krm.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/kr_error.h"
#include "base/kr_file.h"
#include "base/kr_memory.h"
#include "base/kr_read.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene_internal.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"

namespace {

// The fewest bytes each record takes in a file: a count is checked against the bytes left
// before anything is allocated for it.
constexpr std::int64_t kMaterialBytes = 1 + 4 + 12 + 12 + 4 + 4;
constexpr std::int64_t kLightBytes = 1 + 4 + 12 + 12 + 4 + 12 + 4 + 4 + 4;
constexpr std::int64_t kCameraBytes = 1 + 4 + 12 + 12 + 4 + 4;
constexpr std::int64_t kMeshBytes = 1 + 4 + 4 + 4 + 36 + 12;
constexpr std::int64_t kVertexBytes = 12 + 4;
constexpr std::int64_t kPolyBytes = 12 + 3 * 16;
constexpr std::int64_t kBoneBytes = 1;

struct Loader {
  KR_Reader r;
  KR_Scene* scene;
  const char* textureDir;
  const char* chunk;  // the kind of chunk being read, for messages
};

int fail(Loader& L, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Reports why the chunk failed and returns the chunk reader's failure value.
int fail(Loader& L, const char* format, ...) {
  char note[320];
  va_list args;
  va_start(args, format);
  std::vsnprintf(note, sizeof note, format, args);
  va_end(args);
  KR_Error("KR_ImpLoadKrm - %s chunk: %s", L.chunk, note);
  return 0;
}

int truncated(Loader& L) {
  return fail(L, "%s", L.r.longString ? "name longer than 255 characters" : "file ends inside a record");
}

// Flags (not used), record count and skip length; the count must fit in the bytes left.
int read_chunk_header(Loader& L, std::int64_t recordBytes, int* count) {
  KR_ReadI32(&L.r);
  std::int32_t n = KR_ReadI32(&L.r);
  std::int32_t skip = KR_ReadI32(&L.r);
  if (!L.r.ok) return truncated(L);
  if (!KR_ReadSkip(&L.r, skip)) return fail(L, "skip length out of range (%d)", skip);
  if (n < 0 || n > KR_ReadRemaining(&L.r) / recordBytes) return fail(L, "record count out of range (%d)", n);
  *count = n;
  return 1;
}

// GFX_MaterialCreate hands out the shared default material for a texture it cannot load. The
// file's colours, kind and opacity must not change what every other user of it sees, so such a
// material is replaced by a white one of the scene's own.
GFX_Material* create_material(const char* path) {
  GFX_Material* m = GFX_MaterialCreate(path);
  if (m->name[0] != 0) return m;
  GFX_Material* shared = GFX_MaterialDefault();
  GFX_MaterialDelete(shared);
  if (m == shared) {
    GFX_MaterialDelete(m);
    m = GFX_MaterialNewSolid(16, 16, 255, 255, 255);
    if (!m) return nullptr;
  }
  std::snprintf(m->name, sizeof m->name, "%s", path);
  return m;
}

int read_materials(Loader& L) {
  L.chunk = "material";
  int n;
  if (!read_chunk_header(L, kMaterialBytes, &n)) return 0;
  // Polygons loaded earlier keep pointing at the materials of the list being replaced.
  if (L.scene->materials && !KR_SceneRetireMaterials(L.scene)) return 0;
  if (!KR_SceneCreateMaterials(L.scene, n)) return 0;
  for (int i = 0; i < n; i++) {
    char name[KR_STRING_SIZE];
    KR_ReadString(&L.r, name);
    KR_ReadI32(&L.r);
    float a[3], b[3];
    for (float& c : a) c = KR_ReadF32(&L.r);
    for (float& c : b) c = KR_ReadF32(&L.r);
    std::int32_t blend = KR_ReadI32(&L.r);
    float opacity = KR_ReadF32(&L.r);
    if (!L.r.ok) return truncated(L);

    // A name starting with '.' is a plain colour, never looked up in the texture folder.
    char path[KR_STRING_SIZE];
    int length = L.textureDir && name[0] != '.' ? std::snprintf(path, sizeof path, "%s\\%s", L.textureDir, name)
                                                : std::snprintf(path, sizeof path, "%s", name);
    if (length < 0 || length >= KR_STRING_SIZE) return fail(L, "texture path longer than 255 characters (%s)", name);
    GFX_Material* m = create_material(path);
    if (!m) return 0;
    if (!KR_SceneAddMaterial(L.scene, m)) {
      GFX_MaterialDelete(m);
      return 0;
    }
    GFX_MaterialSetColourA(m, a[0], a[1], a[2], 1.0f);
    GFX_MaterialSetColourB(m, b[0], b[1], b[2], 1.0f);
    GFX_MaterialSetKind(m, blend == 1 ? GFX_KIND_ADD_OPACITY : blend == 2 ? GFX_KIND_ALPHA_OPACITY : GFX_KIND_OPAQUE);
    GFX_MaterialSetOpacity(m, opacity);
  }
  return 1;
}

int read_lights(Loader& L) {
  L.chunk = "light";
  int n;
  if (!read_chunk_header(L, kLightBytes, &n)) return 0;
  // The lights of a list being replaced are reachable from nowhere else.
  for (int i = 0; i < L.scene->lightCount; i++) KR_Free(L.scene->lights[i]);
  L.scene->lightCount = 0;
  if (!KR_SceneCreateLights(L.scene, n)) return 0;
  for (int i = 0; i < n; i++) {
    char name[KR_STRING_SIZE];
    if (!KR_ReadString(&L.r, name)) return truncated(L);
    std::int32_t flags = KR_ReadI32(&L.r);
    KR_Vector position = KR_ReadVec3(&L.r);
    KR_ReadVec3(&L.r);
    KR_ReadF32(&L.r);
    KR_Vector colour = KR_ReadVec3(&L.r);
    KR_ReadI32(&L.r);
    KR_ReadI32(&L.r);
    float range = KR_ReadF32(&L.r);
    if (!L.r.ok) return truncated(L);

    KR_Light* l = KR_LightNew(name);
    if (!l) return 0;
    if (!KR_SceneAddLight(L.scene, l)) {
      KR_Free(l);
      return 0;
    }
    const float rgba[4] = {colour.x, colour.y, colour.z, 0.0f};
    if (!KR_LightCreate(l, &position, rgba)) return 0;
    if ((flags & KR_KRM_LIGHT_RANGE) && !KR_LightSetRange(l, 1, range)) return 0;
    if (flags & KR_KRM_LIGHT_STATIC) l->isStatic = 1;
  }
  return 1;
}

int read_cameras(Loader& L) {
  L.chunk = "camera";
  int n;
  if (!read_chunk_header(L, kCameraBytes, &n)) return 0;
  for (int i = 0; i < L.scene->cameraCount; i++) KR_Free(L.scene->cameras[i]);
  L.scene->cameraCount = 0;
  if (!KR_SceneCreateCameras(L.scene, n)) return 0;
  for (int i = 0; i < n; i++) {
    char name[KR_STRING_SIZE];
    if (!KR_ReadString(&L.r, name)) return truncated(L);
    KR_ReadI32(&L.r);
    KR_Vector position = KR_ReadVec3(&L.r);
    KR_Vector target = KR_ReadVec3(&L.r);
    float roll = KR_ReadF32(&L.r);
    float fov = KR_ReadF32(&L.r);
    if (!L.r.ok) return truncated(L);

    KR_Camera* c = KR_CameraNew(name);
    if (!c) return 0;
    if (!KR_SceneAddCamera(L.scene, c)) {
      KR_Free(c);
      return 0;
    }
    KR_CameraCreate(c, &position, &target);
    KR_CameraSetFov(c, fov);
    KR_CameraSetRoll(c, roll);
  }
  return 1;
}

int read_skin(Loader& L, KR_Mesh* m) {
  std::int32_t bones = KR_ReadI32(&L.r);
  if (!L.r.ok) return truncated(L);
  if (bones < 0 || bones > KR_ReadRemaining(&L.r) / kBoneBytes) return fail(L, "bone count out of range (%d)", bones);
  if (!KR_MeshCreateBlended(m, bones)) return 0;
  for (int b = 0; b < bones; b++) {
    char name[KR_STRING_SIZE];
    if (!KR_ReadString(&L.r, name)) return truncated(L);
    KR_MeshBnodeSetName(KR_MeshBnodeGetNew(m), name);
  }
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshBlendVertex* bv = KR_MeshBlendVertexGet(m, i);
    KR_MeshBlendVertexInit(bv);
    std::int32_t weights = KR_ReadI32(&L.r);
    if (!L.r.ok) return truncated(L);
    if (weights < 0 || weights > KR_MESH_MAX_WEIGHTS) return fail(L, "weight count out of range (%d)", weights);
    float largest = 0.0f;
    for (int w = 0; w < weights; w++) {
      KR_MeshBlendWeight& weight = bv->weights[bv->weightCount];
      weight.boneIndex = KR_ReadI32(&L.r);
      weight.weight = KR_ReadF32(&L.r);
      weight.offset = KR_ReadVec3(&L.r);
      weight.bone = nullptr;  // bound with the keyframe scene
      if (!L.r.ok) return truncated(L);
      if (weight.boneIndex < 0 || weight.boneIndex >= bones) return fail(L, "bone index out of range (%d)", weight.boneIndex);
      bv->weightCount++;
      if (weight.weight > largest) largest = weight.weight;
    }
    // A vertex with no positive weight follows its first bone fully.
    if (!(largest > 0.0f) && bv->weightCount > 0) bv->weights[0].weight = 1.0f;
  }
  return 1;
}

// The body of one mesh record after its name; the mesh is already in the scene.
int read_mesh(Loader& L, KR_Mesh* m) {
  std::int32_t flags = KR_ReadI32(&L.r);
  std::int32_t vertices = KR_ReadI32(&L.r);
  std::int32_t polys = KR_ReadI32(&L.r);
  KR_Matrix matrix;
  KR_MatIdentity(&matrix);
  for (int row = 0; row < 3; row++)
    for (int col = 0; col < 3; col++) matrix.m[row * 4 + col] = KR_ReadF32(&L.r);
  KR_Vector translation = KR_ReadVec3(&L.r);
  matrix.m[12] = translation.x;
  matrix.m[13] = translation.y;
  matrix.m[14] = translation.z;
  if (!L.r.ok) return truncated(L);
  std::int64_t left = KR_ReadRemaining(&L.r);
  if (vertices < 0 || vertices > left / kVertexBytes) return fail(L, "vertex count out of range (%d)", vertices);
  if (polys < 0 || polys > (left - vertices * kVertexBytes) / kPolyBytes)
    return fail(L, "polygon count out of range (%d)", polys);

  // Room for one edge per polygon side, so that no mesh of quads runs out of edges.
  if (!KR_MeshCreate(m, vertices, 4 * polys, polys)) return 0;
  const bool isStatic = (flags & KR_KRM_STATIC) != 0;
  if (isStatic)
    m->dynamic = 0;  // baked into world space below; the default transformation stays identity
  else
    KR_MeshSetDefaultTransformation(m, &matrix);

  for (int i = 0; i < vertices; i++) {
    KR_Vector position = KR_ReadVec3(&L.r);
    KR_ReadI32(&L.r);
    if (!L.r.ok) return truncated(L);
    KR_MeshVertex* v = KR_MeshVertexGetNew(m);
    if (isStatic)
      KR_VecTransform(&v->position, &position, &matrix);
    else
      v->position = position;
  }

  for (int i = 0; i < polys; i++) {
    std::int32_t corners = KR_ReadI32(&L.r);
    KR_ReadI32(&L.r);
    std::int32_t material = KR_ReadI32(&L.r);
    if (!L.r.ok) return truncated(L);
    if (corners < 3 || corners > 4) return fail(L, "corner count out of range (%d)", corners);
    KR_MeshPoly* p = KR_MeshPolyGetNew(m);
    p->isStatic = isStatic ? 1 : 0;
    KR_MeshPolySetMaterial(p, KR_SceneGetMaterial(L.scene, material));
    for (int c = 0; c < corners; c++) {
      std::int32_t index = KR_ReadI32(&L.r);
      KR_ReadI32(&L.r);
      float u = KR_ReadF32(&L.r);
      float v = KR_ReadF32(&L.r);
      if (!L.r.ok) return truncated(L);
      if (index < 0 || index >= vertices) return fail(L, "vertex index out of range (%d)", index);
      KR_MeshPolyAddVertex(p, KR_MeshVertexGet(m, index), u, v);
      p->vertexIndex[c] = index;
    }
  }

  if ((flags & KR_KRM_SKINNED) && !read_skin(L, m)) return 0;
  if (flags & KR_KRM_SMOOTHING) {
    for (int i = 0; i < polys; i++) KR_MeshPolySetSmoothing(KR_MeshPolyGet(m, i), KR_ReadI32(&L.r));
    if (!L.r.ok) return truncated(L);
    if (!KR_MeshVertexPolysGet(m)) return 0;
  }
  KR_MeshForceValidate(m);
  KR_MeshSmooth(m, (flags & KR_KRM_SMOOTHING) ? 1 : 0);
  m->castsShadows = (flags & KR_KRM_SHADOWS) ? 1 : 0;
  m->lightmapped = (flags & KR_KRM_LIGHTMAPPED) ? 1 : 0;
  if (!KR_MeshGenerateNormals(m) || !KR_MeshGenerateBoundingBox(m) || !KR_MeshGenerateEdges(m)) return 0;
  return 1;
}

int read_meshes(Loader& L) {
  L.chunk = "mesh";
  int n;
  if (!read_chunk_header(L, kMeshBytes, &n)) return 0;
  for (int i = 0; i < L.scene->meshCount; i++) KR_MeshDelete(L.scene->meshes[i]);
  L.scene->meshCount = 0;
  if (!KR_SceneCreateMeshes(L.scene, n)) return 0;
  for (int i = 0; i < n; i++) {
    char name[KR_STRING_SIZE];
    if (!KR_ReadString(&L.r, name)) return truncated(L);
    KR_Mesh* m = KR_MeshNew(name);
    if (!m) return 0;
    if (!KR_SceneAddMesh(L.scene, m)) {
      KR_MeshDelete(m);
      return 0;
    }
    // A mesh that fails half-way is taken out again: the scene keeps complete meshes only.
    if (!read_mesh(L, m)) {
      L.scene->meshCount--;
      KR_MeshDelete(m);
      return 0;
    }
  }
  return 1;
}

}  // namespace

KR_Scene* KR_ImpLoadKrm(const char* fileName, const char* textureDir, const char* sceneName) {
  KR_File* f = fileName ? KR_Fopen(fileName, "rb") : nullptr;
  if (!f) {
    KR_Error("KR_ImpLoadKrm - unable to open (%s)", fileName ? fileName : "");
    return nullptr;
  }
  Loader L{{f, 1, 0}, nullptr, textureDir, ""};
  std::uint16_t magic = KR_ReadU16(&L.r);
  if (!L.r.ok || magic != KR_KRM_MAGIC) {
    KR_Fclose(f);
    KR_Error("KR_ImpLoadKrm - magic number mismatch (%s)", fileName);
    return nullptr;
  }
  KR_ReadU16(&L.r);  // version, not checked
  KR_ReadI32(&L.r);
  if (!KR_ReadExtension(&L.r)) {
    KR_Fclose(f);
    KR_Error("KR_ImpLoadKrm - header incomplete (%s)", fileName);
    return nullptr;
  }
  L.scene = KR_SceneNew(sceneName ? sceneName : fileName);
  if (!L.scene) {
    KR_Fclose(f);
    return nullptr;
  }
  // Chunks until the end of the file; an unknown id is passed over two bytes at a time.
  for (;;) {
    std::uint16_t id = KR_ReadU16(&L.r);
    if (!L.r.ok) break;
    int ok = 1;
    switch (id) {
      case KR_KRM_MATERIALS: ok = read_materials(L); break;
      case KR_KRM_LIGHTS: ok = read_lights(L); break;
      case KR_KRM_CAMERAS: ok = read_cameras(L); break;
      case KR_KRM_MESHES: ok = read_meshes(L); break;
      default: break;
    }
    if (!ok || KR_Feof(f)) break;
  }
  KR_Fclose(f);
  return L.scene;
}
