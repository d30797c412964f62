// Mesh records: creation, the GetNew/Get functions, setters, transformations and the
// bounding box.
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"

#include <cstring>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "base/kr_name.h"

// The record is cleared, so a mesh that is never created still deletes safely.
KR_Mesh* KR_MeshNew(const char* name) {
  auto* m = static_cast<KR_Mesh*>(KR_Malloc(sizeof(KR_Mesh), "KR_MeshNew - m"));
  if (!m) return nullptr;
  std::memset(m, 0, sizeof *m);
  KR_NameCopy(m->name, name);
  m->valid = 1;
  m->dynamic = 1;
  KR_MatIdentity(&m->transformation);
  KR_MatIdentity(&m->defaultTransformation);
  KR_MatIdentity(&m->nodeTransformation);
  return m;
}

int KR_MeshCreate(KR_Mesh* m, int vertices, int edges, int polys) {
  if (!m) {
    KR_Error("KR_MeshCreate - no mesh");
    return 0;
  }
  m->vertexCount = m->vertexCapacity = 0;
  m->edgeCount = m->edgeCapacity = 0;
  m->polyCount = m->polyCapacity = 0;
  m->blended = 0;
  m->normals = nullptr;
  m->normalCount = m->normalCount2 = 0;
  m->vertices = nullptr;
  m->edges = nullptr;
  m->polys = nullptr;

  // All three arrays are cleared: a vertex no polygon uses then has an empty polygon list.
  m->vertices = static_cast<KR_MeshVertex*>(KR_MallocArray(vertices, sizeof(KR_MeshVertex), "KR_MeshCreate - m->verts"));
  if (!m->vertices) return 0;
  std::memset(m->vertices, 0, sizeof(KR_MeshVertex) * std::size_t(vertices));
  m->vertexCapacity = vertices;

  m->edges = static_cast<KR_MeshEdge*>(KR_MallocArray(edges, sizeof(KR_MeshEdge), "KR_MeshCreate - m->edges"));
  if (!m->edges) return 0;
  std::memset(m->edges, 0, sizeof(KR_MeshEdge) * std::size_t(edges));
  m->edgeCapacity = edges;

  m->polys = static_cast<KR_MeshPoly*>(KR_MallocArray(polys, sizeof(KR_MeshPoly), "KR_MeshCreate - m->polys"));
  if (!m->polys) return 0;
  std::memset(m->polys, 0, sizeof(KR_MeshPoly) * std::size_t(polys));
  m->polyCapacity = polys;
  return 1;
}

int KR_MeshCreateBlended(KR_Mesh* m, int bones) {
  if (!m) {
    KR_Error("KR_MeshCreateBlended - no mesh");
    return 0;
  }
  m->bnodes = static_cast<KR_MeshBnode*>(KR_MallocArray(bones, sizeof(KR_MeshBnode), "KR_MeshCreateBlended - m->nbnodes"));
  if (!m->bnodes) return 0;
  std::memset(m->bnodes, 0, sizeof(KR_MeshBnode) * std::size_t(bones));
  m->bnodeCapacity = bones;
  m->blendVertices = static_cast<KR_MeshBlendVertex*>(
      KR_MallocArray(m->vertexCapacity, sizeof(KR_MeshBlendVertex), "KR_MeshCreateBlended - m->nbverts"));
  if (!m->blendVertices) return 0;
  std::memset(m->blendVertices, 0, sizeof(KR_MeshBlendVertex) * std::size_t(m->vertexCapacity));
  m->bnodeCount = 0;
  m->blended = 1;
  m->node = nullptr;
  return 1;
}

KR_MeshVertex* KR_MeshVertexGetNew(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshVertexGetNew - no mesh");
    return nullptr;
  }
  if (m->vertexCount >= m->vertexCapacity) {
    KR_Error("KR_MeshVertexGetNew - index out of range");
    return nullptr;
  }
  return &m->vertices[m->vertexCount++];
}

KR_MeshEdge* KR_MeshEdgeGetNew(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshEdgeGetNew - no mesh");
    return nullptr;
  }
  if (m->edgeCount >= m->edgeCapacity) {
    KR_Error("KR_MeshEdgeGetNew - index out of range");
    return nullptr;
  }
  return &m->edges[m->edgeCount++];
}

KR_MeshPoly* KR_MeshPolyGetNew(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshPolyGetNew - no mesh");
    return nullptr;
  }
  if (m->polyCount >= m->polyCapacity) {
    KR_Error("KR_MeshPolyGetNew - index out of range");
    return nullptr;
  }
  KR_MeshPoly* p = &m->polys[m->polyCount++];
  p->cornerCount = 0;
  return p;
}

KR_MeshBnode* KR_MeshBnodeGetNew(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshBnodeGetNew - no mesh");
    return nullptr;
  }
  if (m->bnodeCount >= m->bnodeCapacity) {
    KR_Error("KR_MeshBnodeGetNew - index out of range");
    return nullptr;
  }
  return &m->bnodes[m->bnodeCount++];
}

// The Get functions refuse negative indices as well as those past the count.
KR_MeshVertex* KR_MeshVertexGet(KR_Mesh* m, int i) {
  if (!m) {
    KR_Error("KR_MeshVertexGet - no mesh");
    return nullptr;
  }
  if (i < 0 || i >= m->vertexCount) {
    KR_Error("KR_MeshVertexGet - index out of range (%d)", i);
    return nullptr;
  }
  return &m->vertices[i];
}

KR_MeshBlendVertex* KR_MeshBlendVertexGet(KR_Mesh* m, int i) {
  if (!m) {
    KR_Error("KR_MeshBlendVertexGet - no mesh");
    return nullptr;
  }
  if (i < 0 || i >= m->vertexCount || !m->blendVertices) {
    KR_Error("KR_MeshBlendVertexGet - index out of range (%d)", i);
    return nullptr;
  }
  return &m->blendVertices[i];
}

KR_MeshPoly* KR_MeshPolyGet(KR_Mesh* m, int i) {
  if (!m) {
    KR_Error("KR_MeshPolyGet - no mesh");
    return nullptr;
  }
  if (i < 0 || i >= m->polyCount) {
    KR_Error("KR_MeshPolyGet - index out of range");
    return nullptr;
  }
  return &m->polys[i];
}

int KR_MeshDelete(KR_Mesh* m) {
  if (!m) return 0;
  if (m->vertices) {
    for (int i = 0; i < m->vertexCapacity; i++)
      if (m->vertices[i].polys) KR_Free(m->vertices[i].polys);
    KR_Free(m->vertices);
  }
  if (m->normals) KR_Free(m->normals);
  if (m->bnodes) KR_Free(m->bnodes);
  if (m->blendVertices) KR_Free(m->blendVertices);
  if (m->edges) KR_Free(m->edges);
  if (m->polys) KR_Free(m->polys);
  KR_Free(m);
  return 1;
}

int KR_MeshPolySetMaterial(KR_MeshPoly* p, GFX_Material* material) {
  p->material = material;
  return 1;
}

int KR_MeshPolySetSmoothing(KR_MeshPoly* p, int mask) {
  p->smoothing = mask;
  return 1;
}

int KR_MeshPolyAddVertex(KR_MeshPoly* p, KR_MeshVertex* vertex, float u, float v) {
  if (p->cornerCount < 0 || p->cornerCount >= 4) return 0;
  KR_MeshCorner& c = p->corners[p->cornerCount++];
  c.vertex = vertex;
  c.u = u;
  c.v = v;
  return 1;
}

int KR_MeshEdgeInit(KR_MeshEdge* e, KR_MeshVertex* a, KR_MeshVertex* b) {
  e->vertexA = a;
  e->vertexB = b;
  e->useCount = 0;
  e->shadowCount = 0;
  return 1;
}

int KR_MeshBlendVertexInit(KR_MeshBlendVertex* bv) {
  bv->weightCount = 0;
  KR_VecZero(&bv->result);
  return 1;
}

int KR_MeshBnodeSetName(KR_MeshBnode* b, const char* name) {
  KR_NameCopy(b->name, name);
  return 1;
}

int KR_MeshForceValidate(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshForceValidate - no mesh");
    return 0;
  }
  m->valid = 1;
  return 1;
}

int KR_MeshSmooth(KR_Mesh* m, int flag) {
  if (!m) {
    KR_Error("KR_MeshSmooth - no mesh");
    return 0;
  }
  m->smooth = flag;
  return 1;
}

int KR_MeshSetDefaultTransformation(KR_Mesh* m, const KR_Matrix* matrix) {
  if (!m) {
    KR_Error("KR_MeshSetDefaultTransformation - no mesh");
    return 0;
  }
  m->defaultTransformation = *matrix;
  return 1;
}

int KR_MeshTransformIdentity(KR_Mesh* m) {
  if (!m) return 0;
  KR_MatIdentity(&m->transformation);
  return 1;
}

int KR_MeshTransformDefault(KR_Mesh* m) {
  if (!m) return 0;
  m->transformation = m->defaultTransformation;
  return 1;
}

int KR_MeshTransformMultiply(KR_Mesh* m, const KR_Matrix* matrix) {
  if (!m) return 0;
  KR_MatMultiply(&m->transformation, &m->transformation, matrix);
  return 1;
}

int KR_MeshTransform(KR_Mesh* m) { return KR_MeshTransformAbsolute(m, m ? &m->transformation : nullptr); }

int KR_MeshTransformAbsolute(KR_Mesh* m, const KR_Matrix* matrix) {
  if (!m) {
    KR_Error("KR_MeshTransformAbsolute - no mesh");
    return 0;
  }
  // A copy, since the matrix may be the mesh's own transformation.
  const KR_Matrix mat = *matrix;
  KR_Matrix rows;
  KR_MatNormaliseRows(&rows, &mat);
  if (!m->valid) {
    KR_Error("KR_MeshTransform - incomplete meshes not supported yet");
    return 0;
  }
  if (m->dynamic && m->normals)
    for (int i = 0; i < m->normalCount; i++) KR_VecRotate(&m->normals[i].tnormal, &m->normals[i].normal, &rows);
  for (int i = 0; i < m->vertexCount; i++) KR_VecTransform(&m->vertices[i].tposition, &m->vertices[i].position, &mat);
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    // Corner normals follow the full matrix; the face normal its normalised rows. A static
    // mesh keeps its corner normals, which are already in world space.
    if (m->dynamic)
      for (int c = 0; c < KR_MeshPolyCorners(&p); c++) KR_VecRotate(&p.corners[c].tnormal, &p.corners[c].normal, &mat);
    KR_VecRotate(&p.tnormal, &p.normal, &rows);
  }
  for (int i = 0; i < 8; i++) KR_VecTransform(&m->tbox[i], &m->box[i], &mat);
  return 1;
}

// A mesh without vertices gets a box of eight zero corners.
int KR_MeshGenerateBoundingBox(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshGenerateBoundingBox - no mesh");
    return 0;
  }
  KR_Vector lo{0, 0, 0}, hi{0, 0, 0};
  if (m->vertexCount > 0) lo = hi = m->vertices[0].position;
  for (int i = 1; i < m->vertexCount; i++) {
    const KR_Vector& p = m->vertices[i].position;
    if (p.x < lo.x) lo.x = p.x;
    if (p.y < lo.y) lo.y = p.y;
    if (p.z < lo.z) lo.z = p.z;
    if (p.x > hi.x) hi.x = p.x;
    if (p.y > hi.y) hi.y = p.y;
    if (p.z > hi.z) hi.z = p.z;
  }
  m->box[0] = {lo.x, hi.y, hi.z};
  m->box[1] = {hi.x, hi.y, hi.z};
  m->box[2] = {hi.x, lo.y, hi.z};
  m->box[3] = {lo.x, lo.y, hi.z};
  m->box[4] = {lo.x, lo.y, lo.z};
  m->box[5] = {hi.x, lo.y, lo.z};
  m->box[6] = {hi.x, hi.y, lo.z};
  m->box[7] = {lo.x, hi.y, lo.z};
  return 1;
}
