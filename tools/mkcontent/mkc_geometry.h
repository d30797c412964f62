// The procedural geometry of the content pack's scenes (described as the scene writer takes
// them): boxes, tubes, spheres, tori, height fields and blades, welded so that closed shapes
// share every edge between exactly two polygons. A polygon's front is where
// cross(p1 - p0, p2 - p0) points.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/tool_krm_write.h"

struct MKC_Vec {
  float x, y, z;
};

// Mesh flags as the scene files store them.
enum {
  MKC_MESH_SMOOTH = 0x02,
  MKC_MESH_SHADOWS = 0x04,
  MKC_MESH_LIGHTMAPPED = 0x08,
};
enum { MKC_LIGHT_RANGE = 1, MKC_LIGHT_STATIC = 4 };

inline MKC_Vec MKC_VertexAt(const TOOL_KrmMesh& m, int i) {
  const std::array<float, 3>& v = m.vertices[std::size_t(i)];
  return {v[0], v[1], v[2]};
}

// Builders append to a mesh; each returns the index of its first new vertex. Material and
// smoothing apply to the polygons they add.
struct MKC_Surface {
  int material = 0;
  int smoothing = 0;
  float uvScale = 1.0f;  // texture repeats per world unit, for box faces and walls
};

// A box from corner a to corner b, each face split into nx, ny, nz cells along the axes, faces
// outward (or inward when `inward`, for rooms).
int MKC_AddBox(TOOL_KrmMesh& m, MKC_Vec a, MKC_Vec b, const MKC_Surface& s, int nx = 1, int ny = 1, int nz = 1,
               bool inward = false);
// A closed ring prism around the y axis: inner and outer radius, bottom and top y, n segments.
int MKC_AddRing(TOOL_KrmMesh& m, float inner, float outer, float y0, float y1, int n, const MKC_Surface& s);
// A sphere around c with `segments` around y and `rings` from pole to pole; u runs around.
int MKC_AddSphere(TOOL_KrmMesh& m, MKC_Vec c, float radius, int segments, int rings, const MKC_Surface& s);
// A torus in the xz plane around c.
int MKC_AddTorus(TOOL_KrmMesh& m, MKC_Vec c, float major, float minor, int segments, int sides, const MKC_Surface& s);
// An open tube along y with faces turned inward, for tunnels.
int MKC_AddTube(TOOL_KrmMesh& m, float radius, float y0, float y1, int segments, int rings, float uTurns,
                float vPerUnit, const MKC_Surface& s);
// A height field over x, z in [-half, half] with n x n cells, faces up; h(x, z) gives y.
template <class H>
int MKC_AddHeightField(TOOL_KrmMesh& m, float half, int n, float uvPerUnit, const MKC_Surface& s, H h) {
  int first = int(m.vertices.size());
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) {
      float x = -half + 2.0f * half * float(i) / float(n), z = -half + 2.0f * half * float(j) / float(n);
      m.vertices.push_back({x, h(x, z), z});
    }
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      auto corner = [&](int ci, int cj) {
        const MKC_Vec p = MKC_VertexAt(m, first + cj * (n + 1) + ci);
        return TOOL_KrmCorner{first + cj * (n + 1) + ci, p.x * uvPerUnit, p.z * uvPerUnit};
      };
      // Front faces up (+y).
      m.polys.push_back(
          {s.material, {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)}, s.smoothing});
    }
  return first;
}
// A closed octahedron around c with the given radius along each axis.
int MKC_AddOctahedron(TOOL_KrmMesh& m, MKC_Vec c, MKC_Vec radius, const MKC_Surface& s);
// A closed blade along +x from r0 to r1: a thin slab whose width (along y) follows `width`
// at each of n sections and which twists by `twist` radians from root to tip.
int MKC_AddBlade(TOOL_KrmMesh& m, float r0, float r1, int n, float thickness, float twist, const float* width,
                 const MKC_Surface& s);
// Moves (and turns, by Euler angles about x, then y, then z) the vertices from `first` on.
void MKC_TransformVertices(TOOL_KrmMesh& m, int first, MKC_Vec turn, MKC_Vec move);

// Checks on a mesh: the number of directed edges not matched by exactly one edge the other way
// (0 for a closed, consistently turned mesh), and the enclosed volume (positive when the faces
// point outward).
int MKC_OpenEdges(const TOOL_KrmMesh& m);
double MKC_Volume(const TOOL_KrmMesh& m);
