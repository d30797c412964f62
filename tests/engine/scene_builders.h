// Helpers for the scene-model tests: meshes built through the engine's own interface, fog volumes,
// vector checks and captured tool output.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/kr_fog.h"
#include "engine/kr_mesh.h"

namespace vt {

struct MeshPoly {
  std::vector<int> corners;
  int smoothing = 0;
};

// A mesh filled with GetNew and AddVertex the way the loader fills one, without normals,
// box or edges.
inline KR_Mesh* BuildMesh(const char* name, const std::vector<KR_Vector>& vertices, const std::vector<MeshPoly>& polys,
                          int edgeCapacity = -1) {
  KR_Mesh* m = KR_MeshNew(name);
  int sides = 0;
  for (const MeshPoly& p : polys) sides += int(p.corners.size());
  if (!m || !KR_MeshCreate(m, int(vertices.size()), edgeCapacity < 0 ? sides : edgeCapacity, int(polys.size())))
    return m;
  for (const KR_Vector& v : vertices) KR_MeshVertexGetNew(m)->position = v;
  for (const MeshPoly& p : polys) {
    KR_MeshPoly* poly = KR_MeshPolyGetNew(m);
    for (std::size_t c = 0; c < p.corners.size(); c++) {
      KR_MeshPolyAddVertex(poly, KR_MeshVertexGet(m, p.corners[c]), 0.0f, 0.0f);
      poly->vertexIndex[c] = p.corners[c];
    }
    KR_MeshPolySetSmoothing(poly, p.smoothing);
  }
  return m;
}

// The eight corners of the unit cube and its twelve triangles, all wound the same way.
inline KR_Mesh* BuildCube(const char* name) {
  std::vector<KR_Vector> v;
  for (int i = 0; i < 8; i++) v.push_back({float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
  const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  std::vector<MeshPoly> polys;
  for (const auto& q : quads) {
    polys.push_back({{q[0], q[1], q[2]}});
    polys.push_back({{q[0], q[2], q[3]}});
  }
  return BuildMesh(name, v, polys);
}

inline ::testing::AssertionResult VecNear(const KR_Vector& got, float x, float y, float z, float tol = 1e-5f) {
  if (std::fabs(got.x - x) <= tol && std::fabs(got.y - y) <= tol && std::fabs(got.z - z) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.z << "), expected (" << x
                                       << ", " << y << ", " << z << ")";
}

inline KR_Matrix Translation(float x, float y, float z) {
  KR_Matrix m;
  KR_MatIdentity(&m);
  m.m[12] = x;
  m.m[13] = y;
  m.m[14] = z;
  return m;
}

// A spherical fog volume with its centre already transformed (identity).
struct Fog {
  FOG_Volume* v;
  Fog(KR_Vector centre, float radius, float density) {
    v = FOG_VolumeCreate(0, FOG_SphericalVolumeCreate(&centre, radius));
    FOG_VolumeSetDensity(v, density);
    KR_Matrix identity;
    KR_MatIdentity(&identity);
    FOG_VolumeTransform(v, &identity);
  }
  ~Fog() { FOG_VolumeDelete(v); }
  Fog(const Fog&) = delete;
  Fog& operator=(const Fog&) = delete;
  // Amount along +z from the eye to a vertex at distance a.
  float Along(float a, int* hit = nullptr) const {
    KR_Vector eye{0, 0, 0}, dir{0, 0, 1};
    float amount = -1;
    int h = FOG_VolumeSegment(v, &eye, &dir, a, &amount);
    if (hit) *hit = h;
    return amount;
  }
};

// What `print` writes to a stream, as a string.
template <typename Print>
std::string Captured(Print print) {
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* f = open_memstream(&text, &size);
  print(f);
  std::fclose(f);
  std::string out(text, size);
  std::free(text);
  return out;
}

}  // namespace vt
