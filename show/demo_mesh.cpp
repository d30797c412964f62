// Mesh helpers of the effects: material assignment per texture layer, environment-mapping
// coordinates from corner normals, and the sine deformation of the blob.
#include <cmath>

#include "base/kr_error.h"
#include "engine/kr_mesh.h"
#include "show/demo_helpers.h"

namespace {

int corners_of(const KR_MeshPoly& p) { return p.cornerCount < 0 ? 0 : p.cornerCount > 4 ? 4 : p.cornerCount; }

bool check(const KR_Mesh* mesh, int layer, const char* function) {
  if (!mesh) {
    KR_Error("%s - no mesh", function);
    return false;
  }
  if (layer != 0 && layer != 1) {
    KR_Error("%s - no texture layer %d", function, layer);
    return false;
  }
  return true;
}

void set_coords(KR_MeshCorner& c, int layer, const KR_Vector& n) {
  const float u = n.x * 0.5f + 0.5f, v = n.y * 0.5f + 0.5f;
  if (layer) c.lu = u, c.lv = v;
  else c.u = u, c.v = v;
}

// A degenerate face keeps a zero normal instead of not-a-number.
void normalise_or_zero(KR_Vector* v) {
  const float len = KR_VecLength(v);
  if (len > 0.0f) KR_VecScale(v, v, 1.0f / len);
  else KR_VecZero(v);
}

// Coordinates within 0.01 of zero become 0.01, so that no angle below is taken of a zero pair.
float off_zero(float x) { return std::fabs(x) < 0.01f ? 0.01f : x; }

void face_normal(KR_MeshPoly& p) {
  KR_VecZero(&p.tnormal);
  if (corners_of(p) < 3 || !p.corners[0].vertex || !p.corners[1].vertex || !p.corners[2].vertex) return;
  KR_Vector e1, e2;
  KR_VecSub(&e1, &p.corners[1].vertex->tposition, &p.corners[0].vertex->tposition);
  KR_VecSub(&e2, &p.corners[2].vertex->tposition, &p.corners[0].vertex->tposition);
  KR_VecCross(&p.tnormal, &e1, &e2);
  normalise_or_zero(&p.tnormal);
}

// The corner's normal from the faces around its vertex that share a smoothing bit with p;
// the face normal where the vertex has no polygon list.
KR_Vector smoothed(const KR_MeshPoly& p, const KR_MeshCorner& corner) {
  const KR_MeshVertex* v = corner.vertex;
  if (!v || !v->polys || v->polyCount <= 0) return p.tnormal;
  KR_Vector n{0.0f, 0.0f, 0.0f};
  for (int q = 0; q < v->polyCount; q++)
    if (v->polys[q]->smoothing & p.smoothing) KR_VecAdd(&n, &n, &v->polys[q]->tnormal);
  normalise_or_zero(&n);
  return n;
}

}  // namespace

int DEMO_MeshSetMaterial(KR_Mesh* mesh, GFX_Material* material, int layer) {
  if (!check(mesh, layer, "DEMO_MeshSetMaterial")) return 0;
  for (int i = 0; i < mesh->polyCount; i++) {
    if (layer) mesh->polys[i].lightmap = material;
    else mesh->polys[i].material = material;
  }
  return 1;
}

int DEMO_MeshEnvMapObject(KR_Mesh* mesh, int layer) {
  if (!check(mesh, layer, "DEMO_MeshEnvMapObject")) return 0;
  for (int i = 0; i < mesh->polyCount; i++) {
    KR_MeshPoly& p = mesh->polys[i];
    for (int k = 0; k < corners_of(p); k++) {
      KR_Vector n;
      KR_VecRotate(&n, &p.corners[k].normal, &mesh->transformation);
      set_coords(p.corners[k], layer, n);
    }
  }
  return 1;
}

int DEMO_MeshEnvMap(KR_Mesh* mesh, int layer) {
  if (!check(mesh, layer, "DEMO_MeshEnvMap")) return 0;
  for (int i = 0; i < mesh->polyCount; i++) {
    KR_MeshPoly& p = mesh->polys[i];
    for (int k = 0; k < corners_of(p); k++) set_coords(p.corners[k], layer, p.corners[k].tnormal);
  }
  return 1;
}

int DEMO_MeshWobble(KR_Mesh* mesh, float t, float, int a, int b, int c, const KR_Matrix* matrix) {
  if (!check(mesh, 0, "DEMO_MeshWobble")) return 0;
  if (!matrix) {
    KR_Error("DEMO_MeshWobble - no matrix");
    return 0;
  }
  for (int i = 0; i < mesh->vertexCount; i++) {
    KR_MeshVertex& v = mesh->vertices[i];
    KR_Vector& p = v.position;
    p = KR_Vector{off_zero(p.x), off_zero(p.y), off_zero(p.z)};
    const float s = (1.0f - std::cos(std::atan2(p.x, p.y) * float(c) + t)) +
                    (1.0f - std::cos(std::atan2(p.z, p.x) * float(b) + t)) +
                    (1.0f - std::cos(std::atan2(p.y, p.z) * float(a) + t));
    KR_Vector scaled;
    KR_VecScale(&scaled, &p, s);
    KR_VecTransform(&v.tposition, &scaled, matrix);
  }
  for (int i = 0; i < mesh->polyCount; i++) face_normal(mesh->polys[i]);
  for (int i = 0; i < mesh->polyCount; i++) {
    KR_MeshPoly& p = mesh->polys[i];
    const bool smooth = mesh->smooth && p.smoothing != 0;
    for (int k = 0; k < corners_of(p); k++) p.corners[k].tnormal = smooth ? smoothed(p, p.corners[k]) : p.tnormal;
  }
  return 1;
}
