// Shadow volumes against a do-nothing driver: silhouettes and their quads, open edges, the
// count of volumes holding the eye and the stencil clear value it gives, and what reaches the
// driver with dynamic shadows on and off.
#include <gtest/gtest.h>

#include <cmath>

#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "engine/kr_scene.h"
#include "engine/shadow.h"
#include "tests/engine/scene_builders.h"
#include "tests/engine/shadow_scene.h"
#include "tests/support/driver_log.h"

namespace {

// The unit cube centred at `centre`.
KR_Mesh* Cube(KR_Vector c) { return vt::BuildBox({c.x - 0.5f, c.y - 0.5f, c.z - 0.5f}, {c.x + 0.5f, c.y + 0.5f, c.z + 0.5f}); }

// The mesh's polygons split by the light, edges counted as the renderer counts them.
std::vector<KR_MeshPoly*> LightFacing(KR_Mesh* m, const KR_Light* light) {
  std::vector<KR_MeshPoly*> front(m->polyCount + 1), back(m->polyCount + 1);
  for (int e = 0; e < m->edgeCount; e++) m->edges[e].shadowCount = m->edges[e].useCount;
  KR_MeshCullSplitFaces(m, front.data(), back.data(), &light->tposition);
  return front;
}

class Shadow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vt::NullDriverSelect());
    KR_CacheInitialise(1 << 20);
  }
  void TearDown() override { KR_CacheFree(); }
};

TEST_F(Shadow, CubeLitFromOneSideGivesFourOutwardQuads) {
  const KR_Vector centre{0, 0, 10.5f};
  KR_Mesh* cube = Cube(centre);
  KR_Light* light = vt::BuildLight({100, 0, 10.5f});
  std::vector<KR_MeshPoly*> facing = LightFacing(cube, light);
  int silhouettes = 0;
  for (int e = 0; e < cube->edgeCount; e++) silhouettes += cube->edges[e].shadowCount == 1;
  EXPECT_EQ(silhouettes, 4);  // the border of the +x face; its diagonal has two lit sides

  std::vector<KR_MeshPoly> quads(cube->edgeCount);
  ASSERT_EQ(SHADOW_BuildShadowVolume(quads.data(), facing.data(), light), 4);
  int towardEye = 0;
  for (int i = 0; i < 4; i++) {
    const KR_MeshPoly& q = quads[i];
    ASSERT_EQ(q.cornerCount, 4);
    for (int k : {0, 3}) {
      // Corner 1 extrudes corner 0 and corner 2 extrudes corner 3, 800 units from the light.
      const KR_Vector& p = q.corners[k].vertex->tposition;
      const KR_Vector& far = q.corners[k == 0 ? 1 : 2].vertex->tposition;
      KR_Vector d{p.x - 100, p.y, p.z - 10.5f};
      const float s = 800.0f / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
      EXPECT_TRUE(vt::VecNear(far, p.x + d.x * s, p.y + d.y * s, p.z + d.z * s, 1e-3f));
    }
    // One winding for the whole volume: every normal points away from the cube.
    const KR_Vector& a = q.corners[0].vertex->tposition;
    EXPECT_GT(q.normal.x * (a.x - centre.x) + q.normal.y * (a.y - centre.y) + q.normal.z * (a.z - centre.z), 0.0f);
    towardEye += q.facing;
  }
  EXPECT_EQ(towardEye, 1);  // only the side along the cube's near face is seen from outside
  KR_MeshPoly* lists[2][5];
  int nf = 1, nb = 0;  // appended after what the lists hold
  SHADOW_SplitQuads(quads.data(), 4, lists[0], &nf, lists[1], &nb);
  EXPECT_EQ(nf, 2);
  EXPECT_EQ(nb, 3);
  EXPECT_EQ(lists[0][1]->facing, 1);
  KR_Free(light);
  KR_MeshDelete(cube);
}

TEST_F(Shadow, OpenEdgesNeverMakeQuads) {
  KR_Mesh* tri = vt::BuildMesh("open", {{0, 0, 10}, {0, 1, 10}, {1, 0, 10}}, {{{0, 1, 2}}});
  KR_MeshGenerateNormals(tri);
  KR_MeshGenerateEdges(tri);
  KR_MeshTransformIdentity(tri);
  KR_MeshTransform(tri);
  KR_Light* light = vt::BuildLight({0.2f, 0.2f, -50});
  std::vector<KR_MeshPoly*> facing = LightFacing(tri, light);
  ASSERT_EQ(facing[0], &tri->polys[0]);
  std::vector<KR_MeshPoly> quads(tri->edgeCount);
  EXPECT_EQ(SHADOW_BuildShadowVolume(quads.data(), facing.data(), light), 0);
  KR_Free(light);
  KR_MeshDelete(tri);
}

// The eye looks at a cube with the light behind it: the eye is in the cube's volume.
TEST_F(Shadow, EyeInsideOneVolumeClearsTheStencilOneAboveTheReference) {
  KR_Mesh* cube = Cube({0, 0, 10.5f});
  KR_Light* light = vt::BuildLight({1, -2, 50});  // the sight line crosses the far face off its diagonal
  std::vector<KR_MeshPoly*> facing = LightFacing(cube, light);
  EXPECT_EQ(SHADOW_EyeShadowCount(facing.data(), &light->tposition), 1);
  KR_Light* aside = vt::BuildLight({30, 0, 10});  // the same cube lit from the side: eye outside
  facing = LightFacing(cube, aside);
  EXPECT_EQ(SHADOW_EyeShadowCount(facing.data(), &aside->tposition), 0);

  KR_Mesh* meshes[] = {cube, nullptr};
  KR_Light* lights[] = {light, aside, nullptr};
  vt::DriverLog log;
  EXPECT_EQ(SHADOW_RenderScene(meshes, lights, 1), 0);
  EXPECT_EQ(log.Count("clear_stencil"), 2);
  EXPECT_EQ(log.Count("clear_stencil 129"), 1);
  EXPECT_EQ(log.Count("clear_stencil 128"), 1);
  EXPECT_EQ(log.Count("set 6 5 128"), 2);  // lit where the count is back at the reference
  EXPECT_EQ(log.Count("set 6 9"), 2);
  EXPECT_EQ(log.Count("set 6 10"), 2);
  EXPECT_GT(log.quads.size(), 0u);
  KR_Free(light);
  KR_Free(aside);
  KR_MeshDelete(cube);
}

TEST_F(Shadow, NothingLightmappedInViewDrawsNothing) {
  KR_Mesh* cube = Cube({0, 0, -10});  // behind the eye
  KR_Mesh* plain = Cube({0, 0, 10});
  plain->lightmapped = 0;
  KR_Light* light = vt::BuildLight({0, 10, 0});
  KR_Mesh* meshes[] = {cube, plain, nullptr};
  KR_Light* lights[] = {light, nullptr};
  vt::DriverLog log;
  EXPECT_EQ(SHADOW_RenderScene(meshes, lights, 1), 1);
  EXPECT_TRUE(log.calls.empty());
  KR_Free(light);
  KR_MeshDelete(cube);
  KR_MeshDelete(plain);
}

}  // namespace
