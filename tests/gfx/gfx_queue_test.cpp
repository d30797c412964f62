// The render queue against a do-nothing driver: drawing order by list and material, the depth
// sort of blended polygons with their blend functions, the stamp, and the state left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/kr_memory.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_queue.h"
#include "tests/support/driver_log.h"

namespace {

// A triangle whose corners lie at the given depths.
struct Tri {
  KR_MeshVertex v[3]{};
  KR_MeshPoly poly{};
  Tri(GFX_Material* material, float z0 = 1, float z1 = 1, float z2 = 1, GFX_Material* lightmap = nullptr) {
    const float z[3] = {z0, z1, z2};
    poly.cornerCount = 3;
    poly.material = material;
    poly.lightmap = lightmap;
    for (int i = 0; i < 3; i++) {
      v[i].tposition = {float(i), 0.0f, z[i]};
      poly.corners[i].vertex = &v[i];
    }
  }
};

struct Mat {
  GFX_Material* m;
  explicit Mat(int kind, float opacity = 1.0f) : m(GFX_MaterialNew(1, 1, IMG_RGB)) {
    GFX_MaterialSetKind(m, kind);
    GFX_MaterialSetOpacity(m, opacity);
  }
  ~Mat() { GFX_MaterialDelete(m); }
};

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vt::NullDriverSelect());
    KR_CacheInitialise(1 << 16);
    GFX_SetTextureLayer(0);
  }
  void TearDown() override { KR_CacheFree(); }
};

TEST_F(Queue, OpaquePolygonsGroupByMaterialAndEachFlushListsAfresh) {
  Mat a(GFX_KIND_OPAQUE), b(GFX_KIND_OPAQUE);
  Tri a1(a.m), b1(b.m), a2(a.m);
  for (int flush = 0; flush < 2; flush++) {
    const int stamp = GFX_QueueStamp();
    vt::DriverLog log;
    for (Tri* t : {&a1, &b1, &a2}) EXPECT_EQ(GFX_QueuePolygon(&t->poly), 1);
    EXPECT_EQ(a.m->queueStamp, stamp);
    EXPECT_EQ(GFX_FlushRenderQue(), 1);
    EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&a1.poly, &a2.poly, &b1.poly}));
    // Opaque polygons draw in whatever state the caller set.
    EXPECT_EQ(log.calls, (std::vector<std::string>(3, "draw_poly")));
    EXPECT_EQ(GFX_QueueStamp(), stamp + 1);
  }
  // Only A again: its stamp is a flush old, so it is listed again rather than appended to.
  vt::DriverLog log;
  GFX_QueuePolygon(&a1.poly);
  GFX_FlushRenderQue();
  EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&a1.poly}));
}

TEST_F(Queue, EmptyFlushChangesNothingButTheStamp) {
  const int stamp = GFX_QueueStamp();
  vt::DriverLog log;
  EXPECT_EQ(GFX_FlushRenderQue(), 1);
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(GFX_QueueStamp(), stamp + 1);
}

TEST_F(Queue, UntexturedFirstByTheCurrentLayer) {
  Mat opaque(GFX_KIND_OPAQUE);
  Tri textured(opaque.m), bare(nullptr, 1, 1, 1, opaque.m);
  vt::DriverLog log;
  GFX_QueuePolygon(&textured.poly);
  GFX_QueuePolygon(&bare.poly);  // only its lightmap is set: untextured on layer 0
  GFX_FlushRenderQue();
  EXPECT_EQ(log.calls, (std::vector<std::string>{"disable 2", "set 1 2", "draw_poly", "enable 2", "enable 7", "draw_poly"}));
  EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&bare.poly, &textured.poly}));
  // On layer 1 the lightmap decides: now the first one is untextured.
  log.Clear();
  GFX_SetTextureLayer(1);
  GFX_QueuePolygon(&textured.poly);
  GFX_QueuePolygon(&bare.poly);
  GFX_FlushRenderQue();
  GFX_SetTextureLayer(0);
  EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&textured.poly, &bare.poly}));
}

TEST_F(Queue, BlendedSortByFarthestCornerWithTheirBlendFunctions) {
  Mat alpha(GFX_KIND_ALPHA_OPACITY, 0.5f), add(GFX_KIND_ADD), mul(GFX_KIND_MULTIPLY), glow(GFX_KIND_ADD_OPACITY, 0.25f);
  // Farthest corners at 10, 5 (a later corner only counts when strictly greater), 7 and 20.
  Tri far(alpha.m, 2, 10, 3), near(add.m, 5, 1, 5), mid(mul.m, 7, 7, 7), back(glow.m, 20, 0, 0);
  vt::DriverLog log;
  for (Tri* t : {&far, &near, &mid, &back}) GFX_QueuePolygon(&t->poly);
  const int used = KR_CacheUsed();
  GFX_FlushRenderQue();
  EXPECT_EQ(KR_CacheUsed() - used, 4 * int(sizeof(KR_MeshPoly*)));
  EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&near.poly, &mid.poly, &far.poly, &back.poly}));
  EXPECT_EQ(near.poly.queueDepth, 5.0f);
  EXPECT_EQ(far.poly.queueDepth, 10.0f);
  // Blending on, depth writes off, white; afterwards per-vertex colours and depth writes again,
  // with blending left on.
  EXPECT_EQ(log.calls, (std::vector<std::string>{"enable 3", "disable 8", "set 1 1", "set 3 1", "draw_poly", "set 3 2",
                                                 "draw_poly", "set 3 4 0.5", "draw_poly", "set 3 3 0.25", "draw_poly",
                                                 "set 1 2", "enable 8"}));
}

TEST_F(Queue, BlendedPolygonsStillDrawWhenTheCacheIsFull) {
  Mat add(GFX_KIND_ADD);
  Tri far(add.m, 9, 9, 9), near(add.m, 1, 1, 1);
  KR_CacheMalloc(KR_CacheCapacity() - KR_CacheUsed(), "fill");
  vt::DriverLog log;
  GFX_QueuePolygon(&far.poly);
  GFX_QueuePolygon(&near.poly);
  GFX_FlushRenderQue();
  EXPECT_EQ(log.drawn, (std::vector<KR_MeshPoly*>{&far.poly, &near.poly}));  // queue order
  EXPECT_EQ(log.calls.back(), "enable 8");
}

}  // namespace
