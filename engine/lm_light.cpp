// Lighting the patches of the maps from the static lights, with hard shadows found by walking
// the occluder list (the polygon that blocked last is tried first), and the conversion of the
// accumulated light into texels.
#include <cmath>

#include "base/kr_error.h"
#include "engine/kr_mesh_internal.h"
#include "engine/lm_lightmap.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"

namespace {

inline KR_Vector sub(const KR_Vector& a, const KR_Vector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline float dot(const KR_Vector& a, const KR_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline KR_Vector cross(const KR_Vector& a, const KR_Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Whether the ray from p along dir passes inside the polygon: every edge seen from p turns the
// same way about dir.
bool ray_inside(const KR_MeshPoly* poly, const KR_Vector& p, const KR_Vector& dir) {
  const int n = KR_MeshPolyCorners(poly);
  KR_Vector first = sub(poly->corners[0].vertex->position, p);
  KR_Vector a = first;
  bool negative = false;
  for (int i = 0; i < n; i++) {
    KR_Vector b = i + 1 < n ? sub(poly->corners[i + 1].vertex->position, p) : first;
    bool s = dot(cross(a, b), dir) < 0.0f;
    if (i == 0)
      negative = s;
    else if (s != negative)
      return false;
    a = b;
  }
  return true;
}

void move_to_front(LM_Scene* lm, LM_Node* node) {
  if (node == lm->head) return;
  node->prev->next = node->next;
  if (node->next) node->next->prev = node->prev;
  node->prev = nullptr;
  node->next = lm->head;
  lm->head->prev = node;
  lm->head = node;
}

// Whether a polygon of another map lies on the segment from p towards the light, more than
// one unit from both ends.
bool shadowed(LM_Scene* lm, int map, const KR_Vector& p, const KR_Vector& dir, float dist) {
  for (LM_Node* node = lm->head; node; node = node->next) {
    if (node->map == map) continue;
    const KR_Plane& pl = node->plane;
    const float toward = pl.nx * dir.x + pl.ny * dir.y + pl.nz * dir.z;
    if (toward == 0.0f) continue;
    const float t = (pl.d - (pl.nx * p.x + pl.ny * p.y + pl.nz * p.z)) / toward;
    if (!(t > 1.0f && t < dist - 1.0f)) continue;
    if (!ray_inside(node->poly, p, dir)) continue;
    move_to_front(lm, node);
    return true;
  }
  return false;
}

}  // namespace

int LM_MapLight(LM_Scene* lm, int index, const KR_Light* light) {
  LM_Map& map = lm->maps[index];
  const KR_Vector L = light->tposition;
  const int count = map.width * map.height;
  for (int i = 0; i < count; i++) {
    LM_Patch& patch = map.patches[i];
    if (!patch.valid) continue;
    const KR_Vector v = sub(L, patch.position);
    const float dist = std::sqrt(dot(v, v));
    if (light->rangeMode != 0 && dist > light->range) continue;
    // A light on the patch itself gives it no direction.
    if (!(dist > 0.0f)) continue;
    const KR_Vector dir{v.x / dist, v.y / dist, v.z / dist};
    const float k = dot(dir, patch.normal);
    if (k < 0.0f) continue;
    if (shadowed(lm, index, patch.position, dir, dist)) continue;
    // Both fall-off modes fade linearly here.
    float a = light->rangeMode != 0 ? 1.0f - dist / light->range : 1.0f;
    a = (a > 0.0f ? a : 0.0f) * k;
    a = a > 1.0f ? 1.0f : a;
    for (int c = 0; c < 3; c++) patch.colour[c] += a * light->colour[c];
  }
  return 1;
}

std::uint8_t LM_Texel(float colour) {
  float value = colour + 0.1f;
  if (value > 0.8f) value = 0.8f;
  // Negative light (or a value that is no number) gives black rather than a wrapped byte.
  if (!(value > 0.0f)) return 0;
  return static_cast<std::uint8_t>(value * 255.0f);
}

int LM_MapToTexels(LM_Map* map) {
  IMG_Image* image = map->material ? map->material->image : nullptr;
  if (!image || image->format != IMG_RGB || image->width != map->width || image->height != map->height) {
    KR_Error("LM_MapToTexels - no image of the map's size");
    return 0;
  }
  const int count = map->width * map->height;
  for (int i = 0; i < count; i++)
    for (int c = 0; c < 3; c++) image->data[3 * i + c] = LM_Texel(map->patches[i].colour[c]);
  return 1;
}

int LM_SceneLight(LM_Scene* lm, LM_Progress progress) {
  if (!lm || !lm->scene) {
    KR_Error("LM_SceneLight - no scene");
    return 0;
  }
  KR_Scene* scene = lm->scene;
  for (int l = 0; l < scene->lightCount; l++) {
    const KR_Light* light = scene->lights[l];
    if (!light || light->isStatic != 1) continue;
    for (int j = 0; j < lm->mapCount; j++) {
      if (progress) progress(l, float(j) * 100.0f / float(lm->mapCount));
      LM_MapLight(lm, j, light);
    }
  }
  for (int j = 0; j < lm->mapCount; j++) LM_MapToTexels(&lm->maps[j]);
  return 1;
}
