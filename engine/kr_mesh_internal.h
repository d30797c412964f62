// Helpers shared by the mesh sources; not part of the mesh interface.
#pragma once

#include "engine/kr_mesh.h"

// Index of a corner's vertex in the mesh, or -1 when it has none there.
int KR_MeshCornerVertexIndex(const KR_Mesh* m, const KR_MeshPoly* p, int corner);
// Face normals and per-vertex normal records only; corner normals are left alone.
int KR_MeshUpdateVertexNormals(KR_Mesh* m);

// A polygon's corner count, kept within the four corner slots.
inline int KR_MeshPolyCorners(const KR_MeshPoly* p) {
  return p->cornerCount < 0 ? 0 : p->cornerCount > 4 ? 4 : p->cornerCount;
}
