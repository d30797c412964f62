// Fog volumes and the per-vertex fog amounts.
#include "engine/kr_fog.h"

#include <cmath>
#include <cstring>

#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"
#include "gfx/gfx_driver.h"

namespace {

// [0, a]; below 0 or not a number gives 0.
float clamp_to(float t, float a) {
  if (!(t > 0.0f)) return 0.0f;
  return t > a ? a : t;
}

}  // namespace

FOG_Sphere* FOG_SphericalVolumeCreate(const KR_Vector* centre, float radius) {
  auto* s = static_cast<FOG_Sphere*>(KR_Malloc(sizeof(FOG_Sphere), "FOG_SphericalVolumeCreate"));
  if (!s) return nullptr;
  std::memset(s, 0, sizeof *s);
  s->centre = *centre;
  s->radius = radius;
  s->radius2 = radius * radius;
  return s;
}

FOG_Volume* FOG_VolumeCreate(int, FOG_Sphere* sphere) {
  auto* v = static_cast<FOG_Volume*>(KR_Malloc(sizeof(FOG_Volume), "FOG_VolumeCreate"));
  if (!v) return nullptr;
  std::memset(v, 0, sizeof *v);
  v->type = FOG_SPHERICAL;
  v->shape = sphere;
  return v;
}

// The bytes are truncated; components outside 0..1 saturate rather than wrap.
int FOG_VolumeSetColour(FOG_Volume* v, const float* colour) {
  for (int i = 0; i < 4; i++) {
    v->colour[i] = colour[i];
    float b = colour[i] * 255.0f;
    v->colourBytes[i] = !(b > 0.0f) ? 0 : b >= 255.0f ? 255 : std::uint8_t(b);
  }
  return 1;
}

int FOG_VolumeSetDensity(FOG_Volume* v, float density) {
  v->density = density;
  return 1;
}

int FOG_VolumeTransform(FOG_Volume* v, const KR_Matrix* matrix) {
  if (v->type == FOG_SPHERICAL && v->shape) KR_VecTransform(&v->shape->tcentre, &v->shape->centre, matrix);
  return 1;
}

int FOG_VolumeDelete(FOG_Volume* v) {
  if (!v) return 0;
  if (v->shape) KR_Free(v->shape);
  KR_Free(v);
  return 1;
}

// The line eye + t.dir meets the sphere where t^2 + b.t + c = 0 (dir is a unit vector); only
// the part between the eye and the vertex counts.
int FOG_VolumeSegment(const FOG_Volume* v, const KR_Vector* eye, const KR_Vector* dir, float a, float* amount) {
  *amount = 0.0f;
  if (v->type != FOG_SPHERICAL || !v->shape) return 0;
  KR_Vector f;
  KR_VecSub(&f, eye, &v->shape->tcentre);
  float b = 2.0f * KR_VecDot(dir, &f);
  float c = KR_VecDot(&f, &f) - v->shape->radius2;
  float disc = b * b - 4.0f * c;
  if (!(disc > 0.0f)) return 0;
  float s = std::sqrt(disc);
  float t0 = (-b - s) / 2.0f;
  float t1 = (s - b) / 2.0f;
  if (t1 < t0) {
    float t = t0;
    t0 = t1;
    t1 = t;
  }
  t0 = clamp_to(t0, a);
  t1 = clamp_to(t1, a);
  *amount = (t1 - t0) * v->density;
  return 1;
}

int FOG_MeshClear(KR_Mesh* m) {
  for (int i = 0; i < m->vertexCount; i++)
    for (float& f : m->vertices[i].fog) f = 0.0f;
  return 1;
}

// Fog alpha accumulates over volumes; the colour is the last volume's.
int FOG_MeshApply(KR_Mesh* m, FOG_Volume* v, const KR_Matrix* matrix) {
  FOG_VolumeTransform(v, matrix);
  const KR_Vector eye{0.0f, 0.0f, 0.0f};
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshVertex& vertex = m->vertices[i];
    float a = KR_VecLength(&vertex.tposition);
    float amount;
    // A vertex at the eye has no line of sight, and no fog in front of it.
    if (a > 0.0f) {
      KR_Vector d;
      KR_VecScale(&d, &vertex.tposition, 1.0f / a);
      if (FOG_VolumeSegment(v, &eye, &d, a, &amount)) vertex.fog[3] += amount;
    }
    for (int c = 0; c < 3; c++) vertex.fog[c] = v->colour[c];
  }
  return 1;
}

// The fog pass: back faces culled, depth tested but not written, vertex colours only, blended
// by alpha. Polygons without fog on any corner are not drawn.
int FOG_MeshRender(KR_Mesh* m) {
  GFX_Enable(GFX_CULL);
  GFX_Set(GFX_SET_CULL, 2, nullptr);
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 4, nullptr);
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_Disable(GFX_TEXTURE);
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  for (int i = 0; i < m->vertexCount; i++)
    for (float& f : m->vertices[i].fog) f = !(f > 0.0f) ? 0.0f : f > 1.0f ? 1.0f : f;
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    bool fogged = false;
    for (int c = 0; c < KR_MeshPolyCorners(&p); c++) {
      KR_MeshCorner& corner = p.corners[c];
      if (!corner.vertex) continue;
      for (int k = 0; k < 4; k++) corner.colour[k] = corner.vertex->fog[k];
      if (corner.colour[3] > 0.0f) fogged = true;
    }
    if (fogged) GFX_DrawPolygon(&p);
  }
  GFX_Enable(GFX_TEXTURE);
  GFX_Disable(GFX_BLEND);
  GFX_Enable(GFX_DEPTH_WRITE);
  return 1;
}
