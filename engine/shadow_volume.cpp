// The shadow-volume helpers: silhouette extrusion into quads, the split of quads by facing,
// the count of volumes holding the eye, the light test of a mesh's box, and the collection of
// visible polygons. They run once per light and frame, so the vector work is inline here.
#include <cmath>

#include "base/kr_memory.h"
#include "engine/kr_mesh_internal.h"
#include "engine/shadow.h"
#include "engine/shadow_internal.h"
#include "gfx/gfx_driver.h"

namespace {

inline KR_Vector sub(const KR_Vector& a, const KR_Vector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline float dot(const KR_Vector& a, const KR_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline KR_Vector cross(const KR_Vector& a, const KR_Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// p pushed SHADOW_EXTRUSION further along the line from the light through it. A point on the
// light itself has no such line and stays where it is.
inline KR_Vector extrude(const KR_Vector& p, const KR_Vector& light) {
  KR_Vector d = sub(p, light);
  float length = std::sqrt(dot(d, d));
  if (!(length > 0.0f)) return p;
  float s = SHADOW_EXTRUSION / length;
  return {p.x + d.x * s, p.y + d.y * s, p.z + d.z * s};
}

// One light-facing side on a shared edge: the light's view of the mesh turns here.
inline bool silhouette(const KR_MeshEdge* e) { return e && e->shadowCount == 1 && e->useCount != 1; }

}  // namespace

int SHADOW_SilhouetteCount(KR_MeshPoly** list) {
  int n = 0;
  for (KR_MeshPoly** it = list; *it; ++it) {
    const int corners = KR_MeshPolyCorners(*it);
    for (int i = 0; i < corners; i++) n += silhouette((*it)->edges[i]);
  }
  return n;
}

int SHADOW_BuildShadowVolume(KR_MeshPoly* quads, KR_MeshPoly** list, const KR_Light* light, int) {
  const KR_Vector L = light->tposition;
  int n = 0;
  for (KR_MeshPoly** it = list; *it; ++it) {
    KR_MeshPoly* p = *it;
    const int corners = KR_MeshPolyCorners(p);
    for (int i = 0; i < corners; i++) {
      if (!silhouette(p->edges[i])) continue;
      KR_MeshVertex* a = p->corners[i].vertex;
      KR_MeshVertex* b = p->corners[i + 1 == corners ? 0 : i + 1].vertex;
      if (!a || !b) continue;
      auto* v = static_cast<KR_MeshVertex*>(
          KR_CacheMalloc(KR_CacheRound(2 * sizeof(KR_MeshVertex)), "SHADOW_BuildShadowVolume - v"));
      if (!v) return n;  // the cache is full (reported there): the volume stays open
      v[0].tposition = extrude(a->tposition, L);
      v[1].tposition = extrude(b->tposition, L);
      // The edge runs in the light-facing polygon's corner order, so every quad of one
      // volume winds the same way and its normal points out of the volume.
      KR_MeshPoly& q = quads[n++];
      q.cornerCount = 4;
      q.corners[0].vertex = a;
      q.corners[1].vertex = &v[0];
      q.corners[2].vertex = &v[1];
      q.corners[3].vertex = b;
      q.normal = cross(sub(v[0].tposition, a->tposition), sub(v[1].tposition, a->tposition));
      q.facing = dot(q.normal, a->tposition) < 0.0f ? 1 : 0;
    }
  }
  return n;
}

void SHADOW_SplitQuads(KR_MeshPoly* quads, int count, KR_MeshPoly** front, int* frontCount, KR_MeshPoly** back,
                       int* backCount) {
  int nf = *frontCount, nb = *backCount;
  for (int i = 0; i < count; i++) {
    if (quads[i].facing)
      front[nf++] = &quads[i];
    else
      back[nb++] = &quads[i];
  }
  *frontCount = nf;
  *backCount = nb;
}

int SHADOW_MeshLightVisible(const KR_Mesh* mesh, const KR_Light* light) {
  const KR_Plane* planes = GFX_GetFrustum();
  if (!planes) return 1;
  for (int j = 0; j < 6; j++) {
    const KR_Vector n{planes[j].nx, planes[j].ny, planes[j].nz};
    const float limit = dot(light->tposition, n);
    for (const KR_Vector& c : mesh->tbox)
      if (dot(c, n) > limit) return 1;
  }
  return 0;
}

int SHADOW_EyeShadowCount(KR_MeshPoly** list, const KR_Vector* light) {
  const KR_Vector L = *light;
  int count = 0;
  for (KR_MeshPoly** it = list; *it; ++it) {
    const KR_MeshPoly* p = *it;
    const int corners = KR_MeshPolyCorners(p);
    if (corners < 3 || !p->corners[0].vertex) continue;
    // The eye behind the polygon's plane and the light in front of it ...
    const float d0 = dot(p->corners[0].vertex->tposition, p->tnormal);
    if (!(d0 > 0.0f) || !(dot(L, p->tnormal) > d0)) continue;
    // ... and the line from the eye to the light on the same side of every edge.
    int inside = 1, first = -1;
    for (int j = 0; j < corners && inside; j++) {
      const KR_MeshVertex* a = p->corners[j].vertex;
      const KR_MeshVertex* b = p->corners[j + 1 == corners ? 0 : j + 1].vertex;
      if (!a || !b) {
        inside = 0;
        break;
      }
      int s = dot(L, cross(a->tposition, b->tposition)) < 0.0f ? 1 : 0;
      if (first < 0) first = s;
      inside = s == first;
    }
    count += inside;
  }
  return count;
}

int SHADOW_CollectVisible(KR_MeshPoly** out, KR_Mesh** meshes, int which) {
  static const KR_Vector eye{0.0f, 0.0f, 0.0f};
  int n = 0;
  for (KR_Mesh** it = meshes; *it; ++it) {
    KR_Mesh* m = *it;
    if ((m->lightmapped != 0) != (which == SHADOW_LIGHTMAPPED)) continue;
    if (GFX_MeshOutsideFrustum(m, nullptr)) continue;
    n += KR_MeshCullGetFaces(m, out + n, &eye, 2);
  }
  out[n] = nullptr;
  return n;
}
