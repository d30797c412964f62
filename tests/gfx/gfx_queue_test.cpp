// The render queue against a do-nothing driver: drawing order by list and material, the depth
// sort of blended polygons with their blend functions, the stamp, and the state left behind.
#include <gtest/gtest.h>

#include "base/kr_memory.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_queue.h"
#include "tests/support/driver_log.h"

namespace {

using Calls = std::vector<std::string>;
using Polys = std::vector<KR_MeshPoly*>;

// A triangle of one material whose corners lie at the given depths.
struct Tri {
  KR_MeshVertex v[3]{};
  KR_MeshPoly poly{};
  Tri(GFX_Material* material, float z0 = 1, float z1 = 1, float z2 = 1, GFX_Material* lightmap = nullptr) {
    poly.cornerCount = 3;
    poly.material = material;
    poly.lightmap = lightmap;
    const float z[3] = {z0, z1, z2};
    for (int i = 0; i < 3; i++) v[i].tposition = {float(i), 0, z[i]}, poly.corners[i].vertex = &v[i];
  }
};

struct Mat {
  GFX_Material* m = GFX_MaterialNew(1, 1, IMG_RGB);
  explicit Mat(int kind, float opacity = 1) { m->kind = kind, m->opacity = opacity; }
  ~Mat() { GFX_MaterialDelete(m); }
};

Polys Flush(std::initializer_list<Tri*> queued, Calls* calls = nullptr) {
  vt::DriverLog log;
  for (Tri* t : queued) EXPECT_EQ(GFX_QueuePolygon(&t->poly), 1);
  EXPECT_EQ(GFX_FlushRenderQue(), 1);
  if (calls) *calls = log.calls;
  return log.drawn;
}

class Queue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vt::NullDriverSelect());
    KR_CacheInitialise(1 << 16);
  }
  void TearDown() override { KR_CacheFree(); }
};

TEST_F(Queue, OpaqueByMaterialUntexturedFirstAndAFreshStampEachFlush) {
  Mat a(GFX_KIND_OPAQUE), b(GFX_KIND_OPAQUE);
  Tri a1(a.m), b1(b.m), a2(a.m), bare(nullptr, 1, 1, 1, a.m);
  Calls calls;
  for (int flush = 0; flush < 2; flush++) {  // the second flush lists A afresh
    const int stamp = GFX_QueueStamp();
    EXPECT_EQ(Flush({&a1, &b1, &a2}, &calls), (Polys{&a1.poly, &a2.poly, &b1.poly}));
    EXPECT_EQ(calls, Calls(3, "draw_poly"));  // in whatever state the caller set
    EXPECT_EQ(a.m->queueStamp, stamp);
    EXPECT_EQ(GFX_QueueStamp(), stamp + 1);
  }
  // An empty flush draws nothing and changes no state, but it is still a flush.
  const int stamp = GFX_QueueStamp();
  EXPECT_TRUE(Flush({}, &calls).empty());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(GFX_QueueStamp(), stamp + 1);
  // The current layer's material decides: only the lightmap of `bare` is set.
  EXPECT_EQ(Flush({&a1, &bare}, &calls), (Polys{&bare.poly, &a1.poly}));
  EXPECT_EQ(calls, (Calls{"disable 2", "set 1 2", "draw_poly", "enable 2", "enable 7", "draw_poly"}));
  GFX_SetTextureLayer(1);
  EXPECT_EQ(Flush({&a1, &bare}), (Polys{&a1.poly, &bare.poly}));
  GFX_SetTextureLayer(0);
}

TEST_F(Queue, BlendedSortByFarthestCornerWithTheirBlendFunctions) {
  Mat alpha(GFX_KIND_ALPHA_OPACITY, 0.5f), add(GFX_KIND_ADD), mul(GFX_KIND_MULTIPLY), glow(GFX_KIND_ADD_OPACITY, 0.25f);
  // Farthest corners at 10, 5, 7 and 20.
  Tri far(alpha.m, 2, 10, 3), near(add.m, 5, 1, 5), mid(mul.m, 7, 7, 7), back(glow.m, 20, 0, 0);
  Calls calls;
  const int used = KR_CacheUsed();
  EXPECT_EQ(Flush({&far, &near, &mid, &back}, &calls), (Polys{&near.poly, &mid.poly, &far.poly, &back.poly}));
  EXPECT_EQ(KR_CacheUsed() - used, 4 * int(sizeof(KR_MeshPoly*)));
  EXPECT_EQ(far.poly.queueDepth, 10.0f);
  // Blending on, depth writes off and white, then per-vertex colours and depth writes again;
  // blending stays on.
  EXPECT_EQ(calls, (Calls{"enable 3", "disable 8", "set 1 1", "set 3 1", "draw_poly", "set 3 2", "draw_poly",
                          "set 3 4 0.5", "draw_poly", "set 3 3 0.25", "draw_poly", "set 1 2", "enable 8"}));
  // With no room left in the scratch cache they still draw, in queue order.
  KR_CacheMalloc(KR_CacheCapacity() - KR_CacheUsed(), "fill");
  EXPECT_EQ(Flush({&back, &near}), (Polys{&back.poly, &near.poly}));
}

}  // namespace
