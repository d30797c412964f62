// Builders for the shadow tests: boxes already in camera space and lights at a fixed position.
#pragma once

#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "tests/engine/scene_builders.h"

namespace vt {

// An axis-aligned box of twelve triangles with outward normals, transformed by the identity,
// casting shadows and lightmapped.
inline KR_Mesh* BuildBox(KR_Vector lo, KR_Vector hi) {
  KR_Mesh* m = BuildCube("box");
  for (int i = 0; i < m->vertexCount; i++) {
    KR_Vector& p = m->vertices[i].position;
    p = {lo.x + p.x * (hi.x - lo.x), lo.y + p.y * (hi.y - lo.y), lo.z + p.z * (hi.z - lo.z)};
  }
  KR_MeshGenerateNormals(m);
  KR_MeshGenerateBoundingBox(m);
  KR_MeshGenerateEdges(m);
  KR_MeshTransformIdentity(m);
  KR_MeshTransform(m);
  m->castsShadows = 1;
  m->lightmapped = 1;
  return m;
}

// A moving (or static) white light whose tposition is `at`; free with KR_Free.
inline KR_Light* BuildLight(KR_Vector at, int isStatic = 0) {
  KR_Light* l = KR_LightNew("light");
  const float white[4] = {1, 1, 1, 0};
  KR_LightCreate(l, &at, white);
  KR_LightResetTransformation(l);
  KR_LightApplyTransformation(l);
  l->isStatic = isStatic;
  return l;
}

}  // namespace vt
