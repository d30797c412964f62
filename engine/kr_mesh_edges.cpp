// Edges between polygons: built once after the geometry, with a report of every edge that
// is not shared by exactly two polygon sides.
#include <cstdint>

#include "base/kr_alloc.h"
#include "base/kr_error.h"
#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_mesh_internal.h"

namespace {

// An open-addressing table from an unordered vertex pair to its edge index. It finds the same
// edge as a search of the existing edges would, without the quadratic cost on large meshes.
struct EdgeTable {
  int* slots;
  std::uint32_t mask;
};

std::uint32_t pair_hash(const KR_MeshVertex* a, const KR_MeshVertex* b) {
  auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
  if (x > y) {
    std::uintptr_t t = x;
    x = y;
    y = t;
  }
  std::uint64_t h = std::uint64_t(x) * 0x9E3779B97F4A7C15ull ^ (std::uint64_t(y) + 0x7F4A7C159E3779B9ull) * 0xC2B2AE3D27D4EB4Full;
  return std::uint32_t(h ^ (h >> 29));
}

bool joins(const KR_MeshEdge& e, const KR_MeshVertex* a, const KR_MeshVertex* b) {
  return (e.vertexA == a && e.vertexB == b) || (e.vertexA == b && e.vertexB == a);
}

// Slot holding the edge for (a, b), or the empty slot where it belongs.
int* table_slot(EdgeTable& t, const KR_Mesh* m, const KR_MeshVertex* a, const KR_MeshVertex* b) {
  std::uint32_t i = pair_hash(a, b) & t.mask;
  while (t.slots[i] >= 0 && !joins(m->edges[t.slots[i]], a, b)) i = (i + 1) & t.mask;
  return &t.slots[i];
}

KR_MeshEdge* find_linear(KR_Mesh* m, const KR_MeshVertex* a, const KR_MeshVertex* b) {
  for (int i = m->edgeCount - 1; i >= 0; i--)
    if (joins(m->edges[i], a, b)) return &m->edges[i];
  return nullptr;
}

}  // namespace

int KR_MeshGenerateEdges(KR_Mesh* m) {
  if (!m) return 0;
  EdgeTable table{nullptr, 0};
  // At most one edge per polygon side: the table stays under half full.
  std::int64_t sides = m->edgeCount;
  for (int i = 0; i < m->polyCount; i++) sides += KR_MeshPolyCorners(&m->polys[i]);
  std::uint32_t size = 16;
  while (size < 0x20000000u && std::int64_t(size) < 2 * sides + 2) size <<= 1;
  // Without room for the table the plain search does the same job, only slower.
  table.slots = static_cast<int*>(KR_MallocArray(size, sizeof(int), "KR_MeshGenerateEdges - table"));
  if (table.slots) {
    table.mask = size - 1;
    for (std::uint32_t i = 0; i < size; i++) table.slots[i] = -1;
    // Edges already present are found as a last-to-first search would find them.
    for (int i = 0; i < m->edgeCount; i++) *table_slot(table, m, m->edges[i].vertexA, m->edges[i].vertexB) = i;
  }

  int ok = 1;
  for (int pi = 0; pi < m->polyCount && ok; pi++) {
    KR_MeshPoly& p = m->polys[pi];
    int n = KR_MeshPolyCorners(&p);
    for (int c = 0; c < n; c++) {
      KR_MeshVertex* a = p.corners[c].vertex;
      KR_MeshVertex* b = p.corners[(c + 1) % n].vertex;
      int* slot = table.slots ? table_slot(table, m, a, b) : nullptr;
      KR_MeshEdge* e = slot ? (*slot >= 0 ? &m->edges[*slot] : nullptr) : find_linear(m, a, b);
      if (!e) {
        e = KR_MeshEdgeGetNew(m);
        if (!e) {
          ok = 0;
          break;
        }
        KR_MeshEdgeInit(e, a, b);
        if (slot) *slot = int(e - m->edges);
      }
      e->useCount++;
      p.edges[c] = e;
    }
  }
  if (table.slots) KR_Free(table.slots);
  if (!ok) return 0;
  for (int i = 0; i < m->edgeCount; i++)
    if (m->edges[i].useCount != 2) KR_Error("%s edge: %d usecount: %d\n", m->name, i, m->edges[i].useCount);
  return 1;
}
