// The driver contract through a recording driver: selection, mode set, perspective and its
// frustum, frame control, the forwarders, and the frustum outside tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_polygon.h"
#include "platform/pl_platform.h"

namespace {

struct Record {
  std::vector<std::string> calls;
  std::vector<int> ints;
  std::vector<float> floats;
  std::vector<const void*> pointers;
};
Record g;

GFX_Driver MakeRecorder() {
  GFX_Driver d{};
  d.attach = [](HWND w) { g.calls.push_back("attach"); g.pointers.push_back(w); return w ? 1 : 0; };
  d.enable = [](int c) { g.calls.push_back("enable"); g.ints.push_back(c); return 11; };
  d.disable = [](int c) { g.calls.push_back("disable"); g.ints.push_back(c); return 12; };
  d.set = [](int t, int k, const void* p) {
    g.calls.push_back("set");
    g.ints.insert(g.ints.end(), {t, k});
    g.pointers.push_back(p);
    return 13;
  };
  d.set_mode = [](int w, int h, int c, int z, int s, int r) {
    g.calls.push_back("set_mode");
    g.ints.insert(g.ints.end(), {w, h, c, z, s, r});
    return 14;
  };
  d.perspective = [](float f, float n, float fa) {
    g.calls.push_back("perspective");
    g.floats.insert(g.floats.end(), {f, n, fa});
    return 15;
  };
  d.begin_frame = [] { g.calls.push_back("begin_frame"); return 1; };
  d.end_frame = [](GFX_Driver* drv) { g.calls.push_back("end_frame"); g.pointers.push_back(drv); return 16; };
  d.draw_poly = [](KR_MeshPoly* p) { g.calls.push_back("draw_poly"); g.pointers.push_back(p); return 17; };
  d.draw_poly_lm = [](KR_MeshPoly* p) { g.calls.push_back("draw_poly_lm"); g.pointers.push_back(p); return 18; };
  d.begin_quads = [] { g.calls.push_back("begin_quads"); return 19; };
  d.quad_vertices = [](KR_MeshPoly* p) { g.calls.push_back("quad_vertices"); g.pointers.push_back(p); return 20; };
  d.end_prim = [] { g.calls.push_back("end_prim"); return 21; };
  d.draw_line = [](const KR_Vector* a, const KR_Vector* b, const float* c1, const float* c2) {
    g.calls.push_back("draw_line");
    g.pointers.insert(g.pointers.end(), {a, b, c1, c2});
    return 22;
  };
  d.draw_point = [](const KR_Vector* p, const float* c) {
    g.calls.push_back("draw_point");
    g.pointers.insert(g.pointers.end(), {p, c});
    return 23;
  };
  d.clear_stencil = [](int v) { g.calls.push_back("clear_stencil"); g.ints.push_back(v); return 24; };
  return d;
}

GFX_Driver g_recorder = MakeRecorder();
GFX_Driver g_refuser = MakeRecorder();
char g_windowStandIn;
HWND FakeWindow() { return reinterpret_cast<HWND>(&g_windowStandIn); }

// Selects the recorder once per process; the first selection is the one that counts.
GFX_Driver* Selected() {
  if (!GFX_DriverCurrent()) {
    g_refuser.attach = [](HWND) { return 0; };
    EXPECT_EQ(GFX_DriverSelect(&g_refuser, FakeWindow()), 0);
    EXPECT_EQ(GFX_DriverCurrent(), nullptr);
    EXPECT_EQ(GFX_DriverSelect(&g_recorder, FakeWindow()), 1);
  }
  g = Record{};
  return GFX_DriverCurrent();
}

TEST(GfxDriver, SelectionIsOnceAndKeepsTheFirstDriver) {
  GFX_Driver* d = Selected();
  EXPECT_EQ(d, &g_recorder);
  EXPECT_EQ(GFX_DriverSelect(&GFX_oglDriver, FakeWindow()), 0);
  EXPECT_EQ(GFX_DriverCurrent(), &g_recorder);
  EXPECT_TRUE(g.calls.empty());
}

TEST(GfxDriver, ModeSetStoresTheSizeAndPassesEverythingOn) {
  GFX_Driver* d = Selected();
  EXPECT_EQ(GFX_SetMode(800, 600, 32, 24, 8, 5), 14);
  EXPECT_EQ(d->width, 800);
  EXPECT_EQ(d->height, 600);
  EXPECT_EQ(g.ints, (std::vector<int>{800, 600, 32, 24, 8, 5}));
}

TEST(GfxDriver, PerspectiveWritesTheFrustumThenLoadsTheProjection) {
  GFX_Driver* d = Selected();
  GFX_SetMode(640, 480, 24, 24, 0, 0);
  EXPECT_EQ(GFX_SetPerspective(90.0f, 1.0f, 6000.0f), 15);
  EXPECT_EQ(g.floats, (std::vector<float>{90.0f, 1.0f, 6000.0f}));
  EXPECT_EQ(GFX_GetFrustum(), d->frustum);
  EXPECT_NEAR(d->frustum[0].nx, 0.7071f, 1e-4f);
  EXPECT_NEAR(d->frustum[0].nz, 0.7071f, 1e-4f);
  EXPECT_EQ(d->frustum[4].d, 1.0f);
  EXPECT_EQ(d->frustum[5].d, -6000.0f);
}

TEST(GfxDriver, FramesCountAndStampTheClock) {
  Selected();
  PL_TimerSetManual(1, 1000);
  int before = GFX_FrameCount();
  PL_TimerAdvance(2500);
  GFX_BeginFrame();
  float expected = GFX_FrameTime();
  EXPECT_GT(expected, 0.0f);
  PL_TimerAdvance(500);
  EXPECT_EQ(GFX_FrameTime(), expected);
  EXPECT_EQ(GFX_EndFrame(), 16);
  EXPECT_EQ(GFX_FrameCount(), before + 1);
  EXPECT_EQ(g.calls, (std::vector<std::string>{"begin_frame", "end_frame"}));
  EXPECT_EQ(g.pointers.back(), &g_recorder);
  PL_TimerSetManual(0, 0);
}

TEST(GfxDriver, ForwardersPassArgumentsAndResults) {
  Selected();
  KR_MeshPoly poly{};
  KR_Vector a{1, 2, 3}, b{4, 5, 6};
  float c1[3] = {1, 0, 0}, c2[3] = {0, 1, 0};
  float params[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  EXPECT_EQ(GFX_Enable(7), 11);
  EXPECT_EQ(GFX_Disable(8), 12);
  EXPECT_EQ(GFX_Set(3, 4, params), 13);
  EXPECT_EQ(GFX_ClearStencil(128), 24);
  EXPECT_EQ(GFX_DrawPolygon(&poly), 17);
  EXPECT_EQ(GFX_DrawPolygonLightmapped(&poly), 18);
  EXPECT_EQ(GFX_BeginQuads(), 19);
  EXPECT_EQ(GFX_QuadVertices(&poly), 20);
  EXPECT_EQ(GFX_EndQuads(), 21);
  EXPECT_EQ(GFX_DrawLine(&a, &b, c1, c2), 22);
  EXPECT_EQ(GFX_DrawPoint(&a, c1), 23);
  EXPECT_EQ(g.ints, (std::vector<int>{7, 8, 3, 4, 128}));
  EXPECT_EQ(g.pointers, (std::vector<const void*>{params, &poly, &poly, &poly, &a, &b, c1, c2, &a, c1}));
  EXPECT_EQ(g.calls.size(), 11u);
}

TEST(GfxDriver, QueueStampAdvances) {
  Selected();
  int s = GFX_QueueStamp();
  EXPECT_EQ(GFX_QueueStampAdvance(), s + 1);
  EXPECT_EQ(GFX_QueueStamp(), s + 1);
}

// Outside tests against the 90-degree 640x480 frustum.
class GfxOutside : public ::testing::Test {
 protected:
  void SetUp() override {
    Selected();
    GFX_SetMode(640, 480, 24, 24, 0, 0);
    GFX_SetPerspective(90.0f, 1.0f, 6000.0f);
  }
  KR_MeshVertex verts[4]{};
  KR_MeshPoly poly{};
  void Triangle(KR_Vector a, KR_Vector b, KR_Vector c) {
    const KR_Vector ps[3] = {a, b, c};
    poly.cornerCount = 3;
    for (int i = 0; i < 3; i++) {
      verts[i].tposition = ps[i];
      poly.corners[i].vertex = &verts[i];
    }
  }
};

TEST_F(GfxOutside, PointMasks) {
  KR_Vector onNear{0, 0, 1}, inside{0, 0, 10}, left{-20, 0, 10}, beyond{0, 0, 7000}, above{0, 100, 10};
  EXPECT_EQ(GFX_PointOutsideMask(&onNear), 1 << 4);
  EXPECT_EQ(GFX_PointOutsideMask(&inside), 0);
  EXPECT_EQ(GFX_PointOutsideMask(&left), 1 << 0);
  EXPECT_EQ(GFX_PointOutsideMask(&beyond), 1 << 5);
  EXPECT_EQ(GFX_PointOutsideMask(&above), 1 << 3);
}

TEST_F(GfxOutside, Polygons) {
  Triangle({-20, 0, 10}, {5, 0, 10}, {-20, 5, 10});  // straddles the left plane
  EXPECT_EQ(GFX_PolygonOutsideFrustum(&poly), 0);
  Triangle({-20, 0, 10}, {-30, 0, 10}, {-20, 5, 10});  // wholly left
  EXPECT_EQ(GFX_PolygonOutsideFrustum(&poly), 1);
  Triangle({0, 0, 0.5f}, {0.1f, 0, 0.5f}, {0, 0.1f, 0.5f});  // behind the near plane
  EXPECT_EQ(GFX_PolygonOutsideFrustum(&poly), 1);
  Triangle({-20, 0, 10}, {20, 0, 10}, {0, 0, 7000});  // corners outside different planes
  EXPECT_EQ(GFX_PolygonOutsideFrustum(&poly), 0);
  poly.cornerCount = 0;
  EXPECT_EQ(GFX_PolygonOutsideFrustum(&poly), 1);
}

TEST_F(GfxOutside, Boxes) {
  KR_Vector box[8];
  for (int i = 0; i < 8; i++) box[i] = KR_Vector{float(i & 1), float((i >> 1) & 1), 10.0f + float(i >> 2)};
  int mask = -1;
  EXPECT_EQ(GFX_BoxOutsideFrustum(box, &mask), 0);
  EXPECT_EQ(mask, 0);
  // A box reaching from behind the eye to inside: not outside, but behind the near plane in part.
  for (int i = 0; i < 8; i++) box[i].z = (i >> 2) ? 10.0f : -5.0f;
  EXPECT_EQ(GFX_BoxOutsideFrustum(box, &mask), 0);
  EXPECT_NE(mask & (1 << 4), 0);
  for (KR_Vector& c : box) c.x -= 100.0f;
  EXPECT_EQ(GFX_BoxOutsideFrustum(box, nullptr), 1);
}

}  // namespace

namespace {

// The show's part of a drawable: the largest centred 4:3 rectangle, or all of it stretched.
TEST(AspectRect, LargestCentredFourByThree) {
  struct Case {
    int w, h, stretch;
    GFX_Rect want;
  };
  const Case cases[] = {
      {1920, 1080, 0, {240, 0, 1440, 1080}},
      {1280, 1024, 0, {0, 32, 1280, 960}},
      {640, 480, 0, {0, 0, 640, 480}},
      {1920, 1080, 1, {0, 0, 1920, 1080}},
  };
  for (const Case& c : cases) {
    const GFX_Rect r = GFX_AspectRect(c.w, c.h, c.stretch);
    EXPECT_EQ(r.x, c.want.x) << c.w << "x" << c.h;
    EXPECT_EQ(r.y, c.want.y) << c.w << "x" << c.h;
    EXPECT_EQ(r.width, c.want.width) << c.w << "x" << c.h;
    EXPECT_EQ(r.height, c.want.height) << c.w << "x" << c.h;
  }
}

}  // namespace
