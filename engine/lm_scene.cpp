// Building an LM_Scene: the polygons of the static lightmapped meshes grouped into planar maps,
// each map sized and placed on its plane with its patches and material, the occluder list, and
// the release of it all.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_mesh_internal.h"
#include "engine/lm_internal.h"
#include "engine/lm_lightmap.h"
#include "gfx/gfx_material.h"

namespace {

inline float coord(const KR_Vector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
inline float& coord(KR_Vector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// A polygon takes part when its first three corners can give a plane.
bool usable(const KR_MeshPoly* p) {
  if (KR_MeshPolyCorners(p) < 3) return false;
  for (int i = 0; i < KR_MeshPolyCorners(p); i++)
    if (!p->corners[i].vertex) return false;
  return true;
}

const KR_Vector& corner_position(const KR_MeshPoly* p, int i) { return p->corners[i].vertex->position; }

// Moves p along the map's dominant axis onto its plane.
KR_Vector project(KR_Vector p, const KR_Plane& plane, int axis) {
  const KR_Vector n{plane.nx, plane.ny, plane.nz};
  const float along = coord(n, axis);
  if (along == 0.0f) return p;
  coord(p, axis) += (plane.d - KR_VecDot(&n, &p)) / along;
  return p;
}

int power_of_two_size(int used) {
  int size = LM_MIN_SIZE;
  while (size < used) size *= 2;
  return size;
}

// Groups one mesh's usable polygons into maps opened after `first`, fills their pp and pn
// lists at their exact sizes, and adds the polygons to the occluder nodes.
int group_mesh(LM_Scene* lm, int meshIndex, std::int32_t* assigned, int* nodeCount) {
  KR_Mesh* m = lm->scene->meshes[meshIndex];
  const int first = lm->mapCount;
  for (int k = 0; k < m->polyCount; k++) {
    const KR_MeshPoly* p = &m->polys[k];
    assigned[k] = -1;
    if (!usable(p)) continue;
    const KR_Vector &p0 = corner_position(p, 0), &p1 = corner_position(p, 1), &p2 = corner_position(p, 2);
    int found = -1;
    for (int j = first; j < lm->mapCount && found < 0; j++)
      if (LM_MapAccepts(&lm->maps[j], &p0, &p1, &p2)) found = j;
    if (found < 0) {
      found = lm->mapCount++;
      LM_Map& map = lm->maps[found];
      KR_PlaneFromPoints(&map.plane, &p0, &p1, &p2);
      map.meshIndex = meshIndex;
    }
    lm->maps[found].polyCount++;
    assigned[k] = found;
  }
  for (int j = first; j < lm->mapCount; j++) {
    LM_Map& map = lm->maps[j];
    map.pp = static_cast<KR_MeshPoly**>(KR_MallocArray(map.polyCount, sizeof(KR_MeshPoly*), "LM_SceneCreate - lm->maps[nm].pp"));
    map.pn = static_cast<std::int32_t*>(KR_MallocArray(map.polyCount, sizeof(std::int32_t), "LM_SceneCreate - lm->maps[nm].pn"));
    if (!map.pp || !map.pn) return 0;
    map.polyCount = 0;
  }
  for (int k = 0; k < m->polyCount; k++) {
    if (assigned[k] < 0) continue;
    LM_Map& map = lm->maps[assigned[k]];
    map.pp[map.polyCount] = &m->polys[k];
    map.pn[map.polyCount++] = k;
    LM_Node& node = lm->nodes[(*nodeCount)++];
    node.poly = &m->polys[k];
    node.map = assigned[k];
    KR_PlaneFromPoints(&node.plane, &corner_position(node.poly, 0), &corner_position(node.poly, 1),
                       &corner_position(node.poly, 2));
  }
  return 1;
}

bool takes_part(const KR_Mesh* m) { return m && m->lightmapped && !m->dynamic; }

}  // namespace

int LM_MapAccepts(const LM_Map* map, const KR_Vector* p0, const KR_Vector* p1, const KR_Vector* p2) {
  const KR_Vector normal{map->plane.nx, map->plane.ny, map->plane.nz};
  KR_Vector a, b, n;
  KR_VecSub(&a, p1, p0);
  KR_VecSub(&b, p2, p0);
  KR_VecCross(&n, &a, &b);
  if (KR_VecDot(&normal, &n) < 0.0f) return 0;
  // The first edge must lie in the plane too: a normal that matches is not enough.
  KR_VecNormalise(&a, &a);
  if (std::fabs(KR_VecDot(&normal, &a)) > 0.1f) return 0;
  for (const KR_Vector* p : {p0, p1, p2})
    if (!(std::fabs(KR_VecDot(&normal, p) - map->plane.d) <= 2.0f)) return 0;
  return 1;
}

int LM_LightmapCreate(LM_Map* map, int channel) {
  const KR_Plane& plane = map->plane;
  const float n[3] = {std::fabs(plane.nx), std::fabs(plane.ny), std::fabs(plane.nz)};
  const int axis = n[1] > n[0] && n[1] >= n[2] ? 1 : n[2] > n[0] && n[2] > n[1] ? 2 : 0;
  static const int kDirections[3][2] = {{2, 1}, {0, 2}, {0, 1}};
  const int du = kDirections[axis][0], dv = kDirections[axis][1];

  // The covered extent in whole patches; positions far out (or not numbers) cannot be mapped.
  float lo[2] = {0, 0}, hi[2] = {0, 0};
  for (int k = 0; k < map->polyCount; k++) {
    const KR_MeshPoly* p = map->pp[k];
    for (int i = 0; i < KR_MeshPolyCorners(p); i++) {
      const float c[2] = {coord(corner_position(p, i), du), coord(corner_position(p, i), dv)};
      for (int d = 0; d < 2; d++) {
        if (!(std::fabs(c[d]) <= 1e8f)) {
          KR_Error("LM_LightmapCreate - corner out of range");
          return 0;
        }
        if ((k == 0 && i == 0) || c[d] < lo[d]) lo[d] = c[d];
        if ((k == 0 && i == 0) || c[d] > hi[d]) hi[d] = c[d];
      }
    }
  }
  const float minU = std::floor(lo[0] / LM_PATCH_SIZE), maxU = std::ceil(hi[0] / LM_PATCH_SIZE);
  const float minV = std::floor(lo[1] / LM_PATCH_SIZE), maxV = std::ceil(hi[1] / LM_PATCH_SIZE);
  if (maxU - minU + 1 > LM_MAX_SIZE || maxV - minV + 1 > LM_MAX_SIZE) {
    KR_Error("LM_LightmapCreate - map too large (%.0f x %.0f texels)", double(maxU - minU + 1),
             double(maxV - minV + 1));
    return 0;
  }
  map->usedWidth = int(maxU - minU) + 1;
  map->usedHeight = int(maxV - minV) + 1;
  map->width = power_of_two_size(map->usedWidth);
  map->height = power_of_two_size(map->usedHeight);

  // Texel centres sit on whole patches from the origin.
  const float originU = minU * LM_PATCH_SIZE, originV = minV * LM_PATCH_SIZE;
  for (int k = 0; k < map->polyCount; k++) {
    KR_MeshPoly* p = map->pp[k];
    for (int i = 0; i < KR_MeshPolyCorners(p); i++) {
      const KR_Vector& v = corner_position(p, i);
      LM_ChannelU(p->corners[i], channel) =
          (coord(v, du) - originU + 0.5f * LM_PATCH_SIZE) / (LM_PATCH_SIZE * float(map->width));
      LM_ChannelV(p->corners[i], channel) =
          (coord(v, dv) - originV + 0.5f * LM_PATCH_SIZE) / (LM_PATCH_SIZE * float(map->height));
    }
  }
  const float spanU = float(map->width) * LM_PATCH_SIZE, spanV = float(map->height) * LM_PATCH_SIZE;
  const float us[4] = {originU, originU + spanU, originU + spanU, originU};
  const float vs[4] = {originV, originV, originV + spanV, originV + spanV};
  for (int c = 0; c < 4; c++) {
    KR_Vector corner{0.0f, 0.0f, 0.0f};
    coord(corner, du) = us[c];
    coord(corner, dv) = vs[c];
    map->corners[c] = project(corner, plane, axis);
  }

  const std::int64_t count = std::int64_t(map->width) * map->height;
  map->patches = static_cast<LM_Patch*>(KR_MallocArray(count, sizeof(LM_Patch), "LM_LightmapCreate - m->patches"));
  map->material = map->patches ? GFX_MaterialNew(map->width, map->height, IMG_RGB) : nullptr;
  if (!map->patches || !map->material) return 0;
  std::memset(map->patches, 0, std::size_t(count) * sizeof(LM_Patch));
  for (int k = 0; k < map->polyCount; k++) LM_ChannelSlot(map->pp[k], channel) = map->material;

  KR_Vector alongU, alongV;
  KR_VecSub(&alongU, &map->corners[1], &map->corners[0]);
  KR_VecSub(&alongV, &map->corners[3], &map->corners[0]);
  const KR_Vector normal{plane.nx, plane.ny, plane.nz};
  for (int j = 0; j < map->height; j++)
    for (int i = 0; i < map->width; i++) {
      LM_Patch& patch = map->patches[j * map->width + i];
      if (i > map->usedWidth || j > map->usedHeight) continue;
      const float fu = float(i) / float(map->width), fv = float(j) / float(map->height);
      KR_Vector at{map->corners[0].x + fu * alongU.x + fv * alongV.x, map->corners[0].y + fu * alongU.y + fv * alongV.y,
                   map->corners[0].z + fu * alongU.z + fv * alongV.z};
      patch.position = project(at, plane, axis);
      patch.normal = normal;
      patch.valid = 1;
    }
  return 1;
}

LM_Scene* LM_SceneCreate(KR_Scene* scene, int channel) {
  if (!scene) {
    KR_Error("LM_SceneCreate - no scene");
    return nullptr;
  }
  if (channel != 0 && channel != 1) {
    KR_Error("LM_SceneCreate - channel out of range (%d)", channel);
    return nullptr;
  }
  auto* lm = static_cast<LM_Scene*>(KR_Malloc(sizeof(LM_Scene), "LM_SceneCreate - lm"));
  if (!lm) return nullptr;
  std::memset(lm, 0, sizeof *lm);
  lm->scene = scene;

  std::int64_t total = 0;
  int largest = 0;
  for (int i = 0; i < scene->meshCount; i++)
    if (takes_part(scene->meshes[i])) {
      total += scene->meshes[i]->polyCount;
      if (scene->meshes[i]->polyCount > largest) largest = scene->meshes[i]->polyCount;
    }
  lm->maps = static_cast<LM_Map*>(KR_MallocArray(total, sizeof(LM_Map), "LM_SceneCreate - lm->maps"));
  lm->nodes = static_cast<LM_Node*>(KR_MallocArray(total, sizeof(LM_Node), "LM_SceneCreate - lm->nodes"));
  auto* assigned = static_cast<std::int32_t*>(KR_MallocArray(largest, sizeof(std::int32_t), "LM_SceneCreate - assigned"));
  if (!lm->maps || !lm->nodes || !assigned) {
    if (assigned) KR_Free(assigned);
    LM_SceneDelete(lm);
    return nullptr;
  }
  std::memset(lm->maps, 0, std::size_t(total) * sizeof(LM_Map));
  lm->capacity = std::int32_t(total);

  int nodeCount = 0, ok = 1;
  for (int i = 0; i < scene->meshCount && ok; i++)
    if (takes_part(scene->meshes[i])) ok = group_mesh(lm, i, assigned, &nodeCount);
  KR_Free(assigned);
  for (int i = 0; i < nodeCount; i++) {
    lm->nodes[i].prev = i > 0 ? &lm->nodes[i - 1] : nullptr;
    lm->nodes[i].next = i + 1 < nodeCount ? &lm->nodes[i + 1] : nullptr;
  }
  lm->head = nodeCount ? &lm->nodes[0] : nullptr;

  // The map array shrinks to the maps made.
  if (ok && lm->mapCount < lm->capacity) {
    auto* maps = static_cast<LM_Map*>(KR_MallocArray(lm->mapCount, sizeof(LM_Map), "LM_SceneCreate - lm->maps"));
    if (maps) {
      std::memcpy(maps, lm->maps, std::size_t(lm->mapCount) * sizeof(LM_Map));
      KR_Free(lm->maps);
      lm->maps = maps;
      lm->capacity = lm->mapCount;
    }
  }
  for (int j = 0; j < lm->mapCount && ok; j++) ok = LM_LightmapCreate(&lm->maps[j], channel);
  if (!ok) {
    LM_SceneDelete(lm);
    return nullptr;
  }
  return lm;
}

int LM_SceneDelete(LM_Scene* lm) {
  if (!lm) return 0;
  for (int j = 0; lm->maps && j < lm->mapCount; j++) {
    LM_Map& map = lm->maps[j];
    if (map.material) {
      for (int k = 0; map.pp && k < map.polyCount; k++) {
        if (map.pp[k]->material == map.material) map.pp[k]->material = nullptr;
        if (map.pp[k]->lightmap == map.material) map.pp[k]->lightmap = nullptr;
      }
      GFX_MaterialUnbind(map.material);
      GFX_MaterialDelete(map.material);
    }
    if (map.patches) KR_Free(map.patches);
    if (map.pp) KR_Free(map.pp);
    if (map.pn) KR_Free(map.pn);
  }
  if (lm->maps) KR_Free(lm->maps);
  if (lm->nodes) KR_Free(lm->nodes);
  KR_Free(lm);
  return 1;
}
