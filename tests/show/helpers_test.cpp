// The effect helpers: the random sequence, the time helpers and the mesh helpers as plain
// functions; the sprite layer, fountain, smoke, glow and sparks through a recording driver
// that keeps every render-state call and every polygon as drawn.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "platform/pl_platform.h"
#include "show/demo_helpers.h"
#include "tests/support/test_util.h"

namespace {

struct Drawn {
  KR_Vector at[4];
  float u[4], v[4];
  GFX_Material* material;
  float colour[4];  // the constant colour when drawn
};
struct Calls {
  std::vector<std::string> state;  // "enable 4", "disable 3", "set 3 1", ...
  std::vector<Drawn> drawn;
  float colour[4] = {};
};
Calls g;

GFX_Driver MakeRecorder() {
  GFX_Driver d{};
  d.attach = [](HWND) { return 1; };
  d.enable = [](int c) { g.state.push_back("enable " + std::to_string(c)); return 1; };
  d.disable = [](int c) { g.state.push_back("disable " + std::to_string(c)); return 1; };
  d.set = [](int t, int k, const void* p) {
    g.state.push_back("set " + std::to_string(t) + " " + std::to_string(k));
    if (t == GFX_SET_COLOUR && k == 1) std::copy_n(static_cast<const float*>(p), 4, g.colour);
    return 1;
  };
  d.draw_poly = [](KR_MeshPoly* p) {
    Drawn r{};
    for (int k = 0; k < 4; k++) {
      r.at[k] = p->corners[k].vertex->tposition;
      r.u[k] = p->corners[k].u;
      r.v[k] = p->corners[k].v;
    }
    r.material = p->material;
    std::copy_n(g.colour, 4, r.colour);
    g.drawn.push_back(r);
    return 1;
  };
  return d;
}
GFX_Driver g_recorder = MakeRecorder();

class Helpers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GFX_DriverCurrent()) {
      ASSERT_EQ(GFX_DriverSelect(&g_recorder, nullptr), 1);
    }
    g = Calls{};
  }
};

KR_Matrix Translation(float x, float y, float z) {
  KR_Matrix m;
  KR_MatIdentity(&m);
  m.m[12] = x, m.m[13] = y, m.m[14] = z;
  return m;
}

void ExpectVector(const KR_Vector& got, KR_Vector want, float tolerance = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}

// The corners of a square of half-size `half` around c, from the top-left clockwise.
void ExpectSquare(const Drawn& d, KR_Vector c, float half) {
  const float dx[4] = {-half, half, half, -half}, dy[4] = {half, half, -half, -half};
  for (int k = 0; k < 4; k++) ExpectVector(d.at[k], {c.x + dx[k], c.y + dy[k], c.z}, 1e-3f);
}

bool Has(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(DemoNumbers, RandomSequenceFromTheShowsSeedTimeAndClamp) {
  // state = state * 214013 + 2531011 mod 2^32, result = bits 16..30. From 9990:
  // 9990 * 214013 + 2531011 = 2140520881 = 0x7F95C1B1, so the first result is 0x7F95 = 32661;
  // then 0x8DEB5DB0, 0xF45745B3, 0x22BD59AA, 0xF0BDB9C5, 0xC094C574 (results 0x0DEB, 0x7457,
  // 0x22BD, 0x70BD, 0x4094).
  DEMO_RandSeed(9990);
  for (int want : {32661, 3563, 29783, 8893, 28861, 16532}) EXPECT_EQ(DEMO_Rand(), want);
  DEMO_RandSeed(9990);
  EXPECT_EQ(DEMO_RandRange(0.0f, 32767.0f), 32661.0f);
  EXPECT_EQ(DEMO_RandRange(-2.0f, -2.0f), -2.0f);
  EXPECT_EQ(DEMO_RandRange(1.0f, 0.0f), 1.0f - 29783.0f / 32767.0f);

  EXPECT_FLOAT_EQ(DEMO_Time(3, 51.3f), 231.3f);
  EXPECT_FLOAT_EQ(DEMO_Time(0, 7.5f), 7.5f);
  const float cases[][2] = {{-0.5f, 0.0f}, {0.0f, 0.0f}, {0.25f, 0.25f}, {1.0f, 1.0f}, {7.0f, 1.0f}, {NAN, 0.0f}};
  for (auto& c : cases) EXPECT_EQ(DEMO_Clamp01(c[0]), c[1]) << c[0];
}

// Two triangles sharing the edge from vertex 1 to vertex 2, both in smoothing group 1.
struct TwoTriangles {
  KR_Mesh* m = KR_MeshNew("two");
  explicit TwoTriangles(const KR_Vector (&p)[4]) {
    KR_MeshCreate(m, 4, 6, 2);
    for (const KR_Vector& v : p) KR_MeshVertexGetNew(m)->position = v;
    for (auto& c : {std::array{0, 1, 2}, std::array{2, 1, 3}}) {
      KR_MeshPoly* poly = KR_MeshPolyGetNew(m);
      for (int k : c) poly->vertexIndex[poly->cornerCount] = k, KR_MeshPolyAddVertex(poly, &m->vertices[k], 0, 0);
      poly->smoothing = 1;
    }
    KR_MeshVertexPolysGet(m);
    KR_MeshGenerateNormals(m);
  }
  ~TwoTriangles() { KR_MeshDelete(m); }
};

TEST(DemoMesh, WobbleMovesVerticesOffZeroAndSmoothsTheDeformedNormals) {
  TwoTriangles t({{0, 0, 0}, {-0.005f, 2, 0}, {2, 0, 0.5f}, {2, 2, 1}});
  const KR_Matrix move = Translation(5, 0, 0);
  ASSERT_EQ(DEMO_MeshWobble(t.m, 0.0f, 1.0f, 2, 2, 2, &move), 1);
  // The origin becomes (0.01, 0.01, 0.01); all three angles are pi / 4, twice that is a right
  // angle, so each lobe is 1 - cos(pi / 2) = 1 and the position is scaled by 3 before the move.
  ExpectVector(t.m->vertices[0].position, {0.01f, 0.01f, 0.01f}, 0);
  ExpectVector(t.m->vertices[0].tposition, {5.03f, 0.03f, 0.03f});
  // Small magnitudes of either sign become +0.01.
  ExpectVector(t.m->vertices[1].position, {0.01f, 2, 0.01f}, 0);
  // On the shared edge a corner gets the mean of both deformed faces, elsewhere its face's.
  const KR_MeshPoly* p = t.m->polys;
  KR_Vector e1, e2, face, mean;
  KR_VecSub(&e1, &t.m->vertices[1].tposition, &t.m->vertices[0].tposition);
  KR_VecSub(&e2, &t.m->vertices[2].tposition, &t.m->vertices[0].tposition);
  KR_VecNormalise(&face, KR_VecCross(&face, &e1, &e2));
  ExpectVector(p[0].tnormal, face);
  ExpectVector(p[0].corners[0].tnormal, face);
  KR_VecNormalise(&mean, KR_VecAdd(&mean, &p[0].tnormal, &p[1].tnormal));
  ExpectVector(p[0].corners[1].tnormal, mean);
  t.m->smooth = 0;
  DEMO_MeshWobble(t.m, 0.0f, 1.0f, 2, 2, 2, &move);
  ExpectVector(p[0].corners[1].tnormal, p[0].tnormal);
}

TEST(DemoMesh, MaterialsAndEnvironmentCoordinatesPerLayer) {
  TwoTriangles t({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
  auto* a = reinterpret_cast<GFX_Material*>(0x10);
  auto* b = reinterpret_cast<GFX_Material*>(0x20);
  EXPECT_EQ(DEMO_MeshSetMaterial(t.m, a, 0) + DEMO_MeshSetMaterial(t.m, b, 1), 2);
  EXPECT_TRUE(t.m->polys[1].material == a && t.m->polys[1].lightmap == b);

  KR_MeshCorner& c = t.m->polys[1].corners[2];
  c.normal = {1, 0, 0};
  c.tnormal = {0, -1, 0};
  c.u = c.v = 7;
  // The object normal turned by the transformation, (0.5, 0, 0), into layer 1 only...
  KR_MatScale(&t.m->transformation, 0.5f, 0.5f, 0.5f);
  DEMO_MeshEnvMapObject(t.m, 1);
  EXPECT_TRUE(c.lu == 0.75f && c.lv == 0.5f && c.u == 7.0f);
  // ...and the transformed normal as it stands into layer 0.
  DEMO_MeshEnvMap(t.m, 0);
  EXPECT_TRUE(c.u == 0.5f && c.v == 0.0f && c.lu == 0.75f);

  vt::ErrorLog log;
  EXPECT_EQ(DEMO_MeshSetMaterial(t.m, a, 2) + DEMO_MeshEnvMap(nullptr, 0), 0);
  EXPECT_TRUE(log.Has("DEMO_MeshSetMaterial - no texture layer 2"));
  EXPECT_TRUE(log.Has("DEMO_MeshEnvMap - no mesh"));
}

TEST_F(Helpers, SpriteShowsACellOfTheSheetAroundTheFramedCentre) {
  auto* m = reinterpret_cast<GFX_Material*>(0x30);
  DEMO_SpriteSetMaterial(m);
  const KR_Matrix frame = Translation(0, 0, 100);
  DEMO_SpriteSetFrame(&frame);
  const KR_Vector centre{1, 2, 3};
  // Frame 9 is column 1, row 1; frames past the sheet hold on its last cell, 63.
  const struct {
    int frame;
    float cu, cv;
  } cases[] = {{9, 0.125f, 0.125f}, {0, 0, 0}, {63, 0.875f, 0.875f}, {64, 0.875f, 0.875f}, {-4, 0, 0}};
  for (auto& c : cases) {
    g = Calls{};
    DEMO_SpriteDraw(&centre, 10, 0.5f, c.frame);
    ASSERT_EQ(g.drawn.size(), 1u);
    const Drawn& d = g.drawn[0];
    EXPECT_TRUE(d.u[0] == c.cu && d.v[0] == c.cv && d.u[1] == c.cu + 0.125f && d.v[1] == c.cv) << c.frame;
    EXPECT_TRUE(d.u[2] == c.cu + 0.125f && d.v[2] == c.cv + 0.125f && d.u[3] == c.cu && d.v[3] == d.v[2]) << c.frame;
    ExpectSquare(d, {1, 2, 103}, 10);
    EXPECT_TRUE(d.material == m && d.colour[0] == 0.5f && d.colour[3] == 0.5f);
    EXPECT_EQ(g.state, (std::vector<std::string>{"set 1 1", "set 3 1"}));
  }
}

TEST_F(Helpers, LightGlowIsAnAdditiveSquareInWorldAxes) {
  const KR_Vector centre{0, 0, 0};
  DEMO_SpriteDraw(&centre, 1, 1, 9);
  g = Calls{};
  auto* lens = reinterpret_cast<GFX_Material*>(0x40);
  const KR_Vector p{10, 20, 300};
  const float colour[3] = {1.0f, 0.5f, 0.25f};
  ASSERT_EQ(DEMO_LightGlowDraw(&p, 0.8f, colour, lens), 1);
  ASSERT_EQ(g.drawn.size(), 1u);
  ExpectSquare(g.drawn[0], p, 50);
  // The material's full texture, whatever cell a sprite showed before.
  EXPECT_EQ(g.drawn[0].u[2], 1.0f);
  EXPECT_EQ(g.drawn[0].v[2], 1.0f);
  EXPECT_EQ(g.drawn[0].material, lens);
  EXPECT_TRUE(g.drawn[0].colour[1] == 0.4f && g.drawn[0].colour[2] == 0.2f && g.drawn[0].colour[3] == 0.8f);
  EXPECT_EQ(g.state, (std::vector<std::string>{"set 1 1", "enable 4", "enable 1", "enable 11", "enable 2", "disable 9",
                                               "disable 8", "enable 3", "set 3 1", "disable 3", "enable 8"}));
}

TEST_F(Helpers, FountainParticlesPassingTheTopRestartUndrawn) {
  const KR_Matrix frame = Translation(0, -500, 600);
  DEMO_SpriteSetFrame(&frame);
  DEMO_RandSeed(9990);
  DEMO_FountainInit(10.0f);
  // Ten seconds at 100 or more units a second take every particle past y = 1000: all restart
  // at the bottom and none is drawn on this call.
  DEMO_FountainDraw(20.0f, 1.0f);
  EXPECT_TRUE(g.drawn.empty());
  EXPECT_EQ(g.state.front(), "enable 4");
  EXPECT_EQ(g.state.back(), "enable 8");
  // No time has passed: all 200 are drawn where they restarted, in their colours times k.
  g = Calls{};
  DEMO_FountainDraw(20.0f, 0.5f);
  ASSERT_EQ(g.drawn.size(), std::size_t(DEMO_FOUNTAIN_PARTICLES));
  for (const Drawn& d : g.drawn) {
    const float cx = (d.at[0].x + d.at[1].x) / 2, cz = d.at[0].z;
    EXPECT_TRUE(cx >= -20 && cx <= 20 && cz >= 580 && cz <= 620) << cx << " " << cz;
    ExpectSquare(d, {cx, -500, cz}, 20);
    const std::array<float, 4> c{d.colour[0], d.colour[1], d.colour[2], d.colour[3]};
    EXPECT_TRUE(c == (std::array{0.5f, 0.25f, 0.0f, 0.5f}) || c == (std::array{0.0f, 0.25f, 0.5f, 0.5f}) ||
                c == (std::array{0.25f, 0.5f, 0.25f, 0.5f}));
  }
}

TEST_F(Helpers, SmokeEmitsAtItsRateAndKeepsPuffsUntilTheRingComesRound) {
  const KR_Matrix frame = Translation(0, 0, 150);
  const KR_Vector origin{0, 0, 0};
  DEMO_SmokeStart(10.0f);
  DEMO_SmokeAmount(0.03f);
  auto puffs = [&](float t) {
    g = Calls{};
    DEMO_SmokeDraw(t, &origin, &frame);
    return g.drawn.size();
  };
  // 40 ms after the start: one puff, new, at the origin in the frame, 15 across, frame 0.
  EXPECT_EQ(puffs(10.04f), 1u);
  ExpectSquare(g.drawn[0], {0, 0, 150}, 15);
  EXPECT_EQ(g.drawn[0].colour[0], 0.03f);
  EXPECT_EQ(g.drawn[0].u[0], 0.0f);
  EXPECT_TRUE(Has(g.state, "disable 4"));
  EXPECT_EQ(puffs(10.05f), 1u);  // 10 ms later: none more
  EXPECT_EQ(puffs(10.08f), 2u);  // 40 ms after the first: a second
  // A puff a long time old holds on the sheet's last cell.
  EXPECT_EQ(puffs(100.0f), 3u);
  EXPECT_EQ(g.drawn[0].u[0], 0.875f);
  EXPECT_EQ(g.drawn[0].v[0], 0.875f);

  // The dense smoke at 60 frames a second emits every call and fills its 300 slots; after
  // that each new puff replaces the oldest. Depth testing stays on.
  DEMO_SmokeStart(0.0f);
  std::size_t drawn = 0;
  for (int i = 1; i <= 360; i++) {
    g = Calls{};
    DEMO_SmokeDrawDense(float(i) / 60.0f, &origin, &frame);
    drawn = g.drawn.size();
    if (i == 200) {
      EXPECT_EQ(drawn, 200u);
    }
  }
  EXPECT_EQ(drawn, std::size_t(DEMO_SMOKE_SLOTS));
  EXPECT_FALSE(Has(g.state, "disable 4"));
  EXPECT_EQ(g.drawn[0].colour[0], 0.15f);
  // Starting again clears every slot, the dense smoke's too.
  DEMO_SmokeStart(10.0f);
  EXPECT_EQ(puffs(10.04f), 1u);
  g = Calls{};
  DEMO_SmokeDrawDense(10.06f, &origin, &frame);
  EXPECT_EQ(g.drawn.size(), 2u);
}

TEST_F(Helpers, SparksDrawFiveNumbersEachAndStampTheMusicClock) {
  PL_TimerSetManual(1, 5000);
  DEMO_RandSeed(77);
  DEMO_SparksReset();
  const int next = DEMO_Rand();
  DEMO_RandSeed(77);
  for (int i = 0; i < DEMO_SPARK_GROUPS * DEMO_SPARKS_PER_GROUP * 5; i++) DEMO_Rand();
  EXPECT_EQ(DEMO_Rand(), next);
  // Turned about the y axis, y keeps its range; the clock gives the birth.
  const DEMO_Spark* last = DEMO_SparkGet(DEMO_SPARK_GROUPS - 1, DEMO_SPARKS_PER_GROUP - 1);
  EXPECT_TRUE(last->position.y >= -130 && last->position.y <= 130 && last->delay >= -3 && last->delay <= 0);
  EXPECT_FLOAT_EQ(last->birth, 5.0f);
  EXPECT_EQ(DEMO_SparkGet(DEMO_SPARK_GROUPS, 0), nullptr);
  PL_TimerSetManual(0, 0);
}

}  // namespace
