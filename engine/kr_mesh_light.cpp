// Lighting of polygon corners by point lights.
#include <cmath>

#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"
#include "engine/kr_scene.h"

int KR_MeshPolySetColour(KR_MeshPoly* p, const float* colour) {
  for (KR_MeshCorner& c : p->corners)
    for (int i = 0; i < 4; i++) c.colour[i] = colour[i];
  return 1;
}

// Adds one light to every corner colour; 1 when at least one corner was lit. Colours are not
// clamped here.
int KR_MeshPolyLight(KR_MeshPoly* p, const KR_Light* light) {
  int lit = 0;
  // A static polygon is lit in object space, which is world space for a baked mesh.
  const KR_Vector& lightPos = p->isStatic ? light->position : light->tposition;
  for (int c = 0; c < KR_MeshPolyCorners(p); c++) {
    KR_MeshCorner& corner = p->corners[c];
    if (!corner.vertex) continue;
    const KR_Vector& pos = p->isStatic ? corner.vertex->position : corner.vertex->tposition;
    const KR_Vector& normal = p->isStatic ? corner.normal : corner.tnormal;
    KR_Vector d;
    KR_VecSub(&d, &lightPos, &pos);
    float s = KR_VecDot(&d, &d);
    if (light->rangeMode != 0 && s > light->range2) continue;
    float dist = std::sqrt(s);
    // A light exactly at the vertex has no direction to it.
    if (!(dist > 0.0f)) continue;
    float cosine = KR_VecDot(&d, &normal) / dist;
    if (cosine < 0.0f) continue;
    if (light->rangeMode == 1) cosine *= 1.0f - dist / light->range;
    if (light->rangeMode == 2) cosine *= 1.0f - s / light->range2;
    for (int i = 0; i < 3; i++) corner.colour[i] += cosine * light->colour[i];
    lit = 1;
  }
  return lit;
}
