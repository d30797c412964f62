// Face normals, per-vertex normal records, smoothing groups and the vertex polygon lists.
#include <cstdint>
#include <cstring>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"

namespace {

// A degenerate polygon (or a vertex whose faces cancel) keeps a zero normal rather than
// spreading not-a-number into its neighbours' averages and the lighting.
void normalise_or_zero(KR_Vector* v) {
  float len = KR_VecLength(v);
  if (len > 0.0f)
    KR_VecScale(v, v, 1.0f / len);
  else
    KR_VecZero(v);
}

// Steps shared with skinning: the face normals and the per-vertex normal records.
int generate_vertex_normals(KR_Mesh* m) {
  if (!m->normals || m->normalCount2 < m->vertexCount) {
    if (m->normals) KR_Free(m->normals);
    m->normals = static_cast<KR_MeshNormal*>(KR_MallocArray(m->vertexCount, sizeof(KR_MeshNormal), "gennormals"));
    if (!m->normals) {
      m->normalCount = m->normalCount2 = 0;
      return 0;
    }
  }
  m->normalCount = m->normalCount2 = m->vertexCount;
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshNormal& n = m->normals[i];
    std::memset(&n, 0, sizeof n);
    n.vertex = &m->vertices[i];
    n.stamp = -1;
    n.lit = 0;
  }
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    KR_MeshPolyGenerateNormal(&p);
    for (int c = 0; c < KR_MeshPolyCorners(&p); c++) {
      int v = KR_MeshCornerVertexIndex(m, &p, c);
      p.corners[c].normalRecord = v >= 0 ? &m->normals[v] : nullptr;
      if (v >= 0) KR_VecAdd(&m->normals[v].normal, &m->normals[v].normal, &p.normal);
    }
  }
  for (int i = 0; i < m->vertexCount; i++) {
    normalise_or_zero(&m->normals[i].normal);
    m->normals[i].tnormal = m->normals[i].normal;
  }
  return 1;
}

}  // namespace

int KR_MeshCornerVertexIndex(const KR_Mesh* m, const KR_MeshPoly* p, int corner) {
  // The corner's pointer decides when it points into this mesh's vertex array; the stored
  // index is the fallback. Compared as integers, so a foreign pointer is merely not found.
  auto base = reinterpret_cast<std::uintptr_t>(m->vertices);
  auto at = reinterpret_cast<std::uintptr_t>(p->corners[corner].vertex);
  if (base && at >= base && (at - base) % sizeof(KR_MeshVertex) == 0) {
    std::uintptr_t i = (at - base) / sizeof(KR_MeshVertex);
    if (i < std::uintptr_t(m->vertexCount)) return int(i);
  }
  int i = p->vertexIndex[corner];
  return i >= 0 && i < m->vertexCount ? i : -1;
}

int KR_MeshPolyGenerateNormal(KR_MeshPoly* p) {
  KR_VecZero(&p->normal);
  if (p->cornerCount < 3) return 0;
  for (int c = 0; c < 3; c++)
    if (!p->corners[c].vertex) return 0;
  KR_Vector e1, e2;
  KR_VecSub(&e1, &p->corners[1].vertex->position, &p->corners[0].vertex->position);
  KR_VecSub(&e2, &p->corners[2].vertex->position, &p->corners[0].vertex->position);
  KR_VecCross(&p->normal, &e1, &e2);
  normalise_or_zero(&p->normal);
  return 1;
}

int KR_MeshGenerateNormals(KR_Mesh* m) {
  if (!m) {
    KR_Error("KR_MeshGenerateNormals - no mesh");
    return 0;
  }
  if (!generate_vertex_normals(m)) return 0;
  m->smooth = 1;
  for (int i = 0; i < m->polyCount; i++) {
    KR_MeshPoly& p = m->polys[i];
    for (int c = 0; c < KR_MeshPolyCorners(&p); c++) {
      KR_MeshCorner& corner = p.corners[c];
      KR_Vector n = p.normal;
      // Smoothed corners average the faces around the vertex that share a smoothing bit with
      // this polygon (itself included); without a polygon list the face normal stands.
      if (p.smoothing != 0 && corner.vertex && corner.vertex->polys) {
        KR_VecZero(&n);
        for (int q = 0; q < corner.vertex->polyCount; q++) {
          const KR_MeshPoly* other = corner.vertex->polys[q];
          if (other->smoothing & p.smoothing) KR_VecAdd(&n, &n, &other->normal);
        }
        normalise_or_zero(&n);
      }
      corner.normal = corner.tnormal = n;
    }
  }
  return 1;
}

int KR_MeshUpdateVertexNormals(KR_Mesh* m) { return generate_vertex_normals(m); }

// One pass counts each vertex's polygons, a second fills the lists, in polygon order and
// once per polygon; the cost is the number of corners.
int KR_MeshVertexPolysGet(KR_Mesh* m) {
  if (!m) return 0;
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshVertex& v = m->vertices[i];
    if (v.polys) KR_Free(v.polys);
    v.polys = nullptr;
    v.polyCount = 0;
  }
  if (m->vertexCount == 0) return 1;
  // Heap, not the scratch cache: this runs at load time, and the cache belongs to the frame.
  auto* last = static_cast<int*>(KR_MallocArray(m->vertexCount, sizeof(int), "KR_MeshVertexPolysGet - tp"));
  if (!last) return 0;
  for (int i = 0; i < m->vertexCount; i++) last[i] = -1;
  for (int pi = 0; pi < m->polyCount; pi++) {
    const KR_MeshPoly& p = m->polys[pi];
    for (int c = 0; c < KR_MeshPolyCorners(&p); c++) {
      int v = KR_MeshCornerVertexIndex(m, &p, c);
      if (v >= 0 && last[v] != pi) {
        last[v] = pi;
        m->vertices[v].polyCount++;
      }
    }
  }
  int ok = 1;
  for (int i = 0; i < m->vertexCount; i++) {
    KR_MeshVertex& v = m->vertices[i];
    if (v.polyCount == 0) continue;
    v.polys = static_cast<KR_MeshPoly**>(KR_MallocArray(v.polyCount, sizeof(KR_MeshPoly*), "KR_MeshVertexPolysGet - v->polys"));
    if (!v.polys) ok = 0;
    v.polyCount = 0;  // now the fill position
    last[i] = -1;
  }
  for (int pi = 0; pi < m->polyCount; pi++) {
    KR_MeshPoly& p = m->polys[pi];
    for (int c = 0; c < KR_MeshPolyCorners(&p); c++) {
      int v = KR_MeshCornerVertexIndex(m, &p, c);
      if (v >= 0 && last[v] != pi && m->vertices[v].polys) {
        last[v] = pi;
        m->vertices[v].polys[m->vertices[v].polyCount++] = &p;
      }
    }
  }
  KR_Free(last);
  return ok;
}
