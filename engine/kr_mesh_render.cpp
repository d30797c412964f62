// Choosing a mesh's polygons by facing and the view frustum, and drawing them.
#include "base/kr_error.h"
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"
#include "gfx/gfx_driver.h"

namespace {

// (eye - corner 0) . normal, all after the transformation: above 0 the polygon faces the eye.
float facing(const KR_MeshPoly& p, const KR_Vector* eye) {
  if (p.cornerCount < 1 || !p.corners[0].vertex) return 0.0f;
  KR_Vector d;
  KR_VecSub(&d, eye, &p.corners[0].vertex->tposition);
  return KR_VecDot(&d, &p.tnormal);
}

}  // namespace

int KR_MeshCullGetFaces(KR_Mesh* m, KR_MeshPoly** out, const KR_Vector* eye, int mode) {
  if (!m) {
    KR_Error("KR_MeshCullGetFaces - no mesh");
    return 0;
  }
  int n = 0;
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly* p = &m->polys[i];
    if (mode == 1 || mode == 2) {
      float f = facing(*p, eye);
      if (mode == 1 ? !(f <= 0.0f) : !(f >= 0.0f)) continue;
      if (GFX_PolygonOutsideFrustum(p)) continue;
    }
    out[n++] = p;
  }
  out[n] = nullptr;
  return n;
}

// Back-facing polygons take one from each of their edges' shadow counts, which then count the
// front-facing polygons on each edge.
int KR_MeshCullSplitFaces(KR_Mesh* m, KR_MeshPoly** front, KR_MeshPoly** back, const KR_Vector* eye) {
  if (!m) {
    KR_Error("KR_MeshCullGetFaces - no mesh");
    return 0;
  }
  int nf = 0, nb = 0;
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly* p = &m->polys[i];
    if (facing(*p, eye) > 0.0f) {
      front[nf++] = p;
      continue;
    }
    back[nb++] = p;
    for (int c = 0; c < KR_MeshPolyCorners(p); c++)
      if (p->edges[c]) p->edges[c]->shadowCount--;
  }
  front[nf] = nullptr;
  back[nb] = nullptr;
  return 1;
}

void KR_MeshRender(KR_Mesh* m) {
  if (!m) return;
  for (int i = 0; i < m->polyCount; i++) GFX_DrawPolygon(&m->polys[i]);
}
