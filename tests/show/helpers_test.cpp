// The effect helpers: the random sequence, the time helpers and the mesh helpers as plain
// functions; the sprite layer, fountain, smoke, glow and sparks through a recording driver
// that keeps every render-state call and every polygon as drawn.
#include <gtest/gtest.h>

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

void ExpectSquare(const Drawn& d, KR_Vector c, float half) {
  const float dx[4] = {-half, half, half, -half}, dy[4] = {half, half, -half, -half};
  for (int k = 0; k < 4; k++) {
    EXPECT_NEAR(d.at[k].x, c.x + dx[k], 1e-3f) << "corner " << k;
    EXPECT_NEAR(d.at[k].y, c.y + dy[k], 1e-3f) << "corner " << k;
    EXPECT_NEAR(d.at[k].z, c.z, 1e-3f) << "corner " << k;
  }
}

bool Has(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(DemoRandom, SequenceFromTheShowsSeed) {
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
}

TEST(DemoTime, MinutesSecondsAndClamp) {
  EXPECT_FLOAT_EQ(DEMO_Time(3, 51.3f), 231.3f);
  EXPECT_FLOAT_EQ(DEMO_Time(0, 7.5f), 7.5f);
  const float cases[][2] = {{-0.5f, 0.0f}, {0.0f, 0.0f}, {0.25f, 0.25f}, {1.0f, 1.0f}, {7.0f, 1.0f}, {NAN, 0.0f}};
  for (auto& c : cases) EXPECT_EQ(DEMO_Clamp01(c[0]), c[1]) << c[0];
}

// Two triangles sharing the edge from vertex 1 to vertex 2, both in smoothing group 1.
struct TwoTriangles {
  KR_Mesh* m = KR_MeshNew("two");
  TwoTriangles(const KR_Vector (&p)[4]) {
    KR_MeshCreate(m, 4, 6, 2);
    for (const KR_Vector& v : p) KR_MeshVertexGetNew(m)->position = v;
    const int corners[2][3] = {{0, 1, 2}, {2, 1, 3}};
    for (auto& c : corners) {
      KR_MeshPoly* poly = KR_MeshPolyGetNew(m);
      for (int k : c) KR_MeshPolyAddVertex(poly, &m->vertices[k], 0, 0), poly->vertexIndex[poly->cornerCount - 1] = k;
      poly->smoothing = 1;
    }
    KR_MeshVertexPolysGet(m);
    KR_MeshGenerateNormals(m);
  }
  ~TwoTriangles() { KR_MeshDelete(m); }
};

TEST(DemoMesh, WobbleMovesVerticesOffZeroAndFollowsWithNormals) {
  TwoTriangles t({{0, 0, 0}, {-0.005f, 2, 0}, {2, 0, 0.5f}, {2, 2, 1}});
  const KR_Matrix move = Translation(5, 0, 0);
  ASSERT_EQ(DEMO_MeshWobble(t.m, 0.0f, 1.0f, 2, 2, 2, &move), 1);
  // The origin becomes (0.01, 0.01, 0.01); all three angles are pi / 4, twice that is a right
  // angle, so each lobe is 1 - cos(pi / 2) = 1 and the position is scaled by 3 before the move.
  const KR_MeshVertex& v0 = t.m->vertices[0];
  EXPECT_FLOAT_EQ(v0.position.x, 0.01f);
  EXPECT_FLOAT_EQ(v0.position.y, 0.01f);
  EXPECT_FLOAT_EQ(v0.position.z, 0.01f);
  EXPECT_NEAR(v0.tposition.x, 5.03f, 1e-5f);
  EXPECT_NEAR(v0.tposition.y, 0.03f, 1e-5f);
  EXPECT_NEAR(v0.tposition.z, 0.03f, 1e-5f);
  // Small magnitudes of either sign become +0.01; others stay.
  EXPECT_FLOAT_EQ(t.m->vertices[1].position.x, 0.01f);
  EXPECT_FLOAT_EQ(t.m->vertices[1].position.y, 2.0f);
  EXPECT_FLOAT_EQ(t.m->vertices[1].position.z, 0.01f);

  // Face normals are unit and square to the deformed edges; corners on the shared edge get
  // the average of both faces, the others their face's normal.
  for (int i = 0; i < 2; i++) {
    const KR_MeshPoly& p = t.m->polys[i];
    KR_Vector e1, e2;
    KR_VecSub(&e1, &p.corners[1].vertex->tposition, &p.corners[0].vertex->tposition);
    KR_VecSub(&e2, &p.corners[2].vertex->tposition, &p.corners[0].vertex->tposition);
    EXPECT_NEAR(KR_VecLength(&p.tnormal), 1.0f, 1e-5f);
    EXPECT_NEAR(KR_VecDot(&p.tnormal, &e1), 0.0f, 1e-4f);
    EXPECT_NEAR(KR_VecDot(&p.tnormal, &e2), 0.0f, 1e-4f);
  }
  KR_Vector mean;
  KR_VecAdd(&mean, &t.m->polys[0].tnormal, &t.m->polys[1].tnormal);
  KR_VecNormalise(&mean, &mean);
  const KR_MeshCorner& shared = t.m->polys[0].corners[1];
  const KR_MeshCorner& alone = t.m->polys[0].corners[0];
  EXPECT_NEAR(shared.tnormal.x, mean.x, 1e-5f);
  EXPECT_NEAR(shared.tnormal.z, mean.z, 1e-5f);
  EXPECT_NEAR(alone.tnormal.x, t.m->polys[0].tnormal.x, 1e-6f);
  EXPECT_NEAR(alone.tnormal.z, t.m->polys[0].tnormal.z, 1e-6f);
  // Without smoothing every corner has its face normal.
  t.m->smooth = 0;
  DEMO_MeshWobble(t.m, 0.5f, 1.0f, 2, 2, 2, &move);
  EXPECT_NEAR(t.m->polys[0].corners[1].tnormal.y, t.m->polys[0].tnormal.y, 1e-6f);
}

TEST(DemoMesh, MaterialsAndEnvironmentCoordinatesPerLayer) {
  TwoTriangles t({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
  auto* a = reinterpret_cast<GFX_Material*>(0x10);
  auto* b = reinterpret_cast<GFX_Material*>(0x20);
  EXPECT_EQ(DEMO_MeshSetMaterial(t.m, a, 0), 1);
  EXPECT_EQ(DEMO_MeshSetMaterial(t.m, b, 1), 1);
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(t.m->polys[i].material, a);
    EXPECT_EQ(t.m->polys[i].lightmap, b);
  }

  KR_MeshCorner& c = t.m->polys[1].corners[2];
  c.normal = {1, 0, 0};
  c.tnormal = {0, -1, 0};
  c.u = c.v = 7;
  KR_MatScale(&t.m->transformation, 0.5f, 0.5f, 0.5f);
  // Object normal (1, 0, 0) turned by the transformation: (0.5, 0, 0).
  EXPECT_EQ(DEMO_MeshEnvMapObject(t.m, 1), 1);
  EXPECT_FLOAT_EQ(c.lu, 0.75f);
  EXPECT_FLOAT_EQ(c.lv, 0.5f);
  EXPECT_EQ(c.u, 7.0f);
  // The transformed normal as it stands.
  EXPECT_EQ(DEMO_MeshEnvMap(t.m, 0), 1);
  EXPECT_FLOAT_EQ(c.u, 0.5f);
  EXPECT_FLOAT_EQ(c.v, 0.0f);
  EXPECT_FLOAT_EQ(c.lu, 0.75f);

  vt::ErrorLog log;
  EXPECT_EQ(DEMO_MeshSetMaterial(t.m, a, 2), 0);
  EXPECT_EQ(DEMO_MeshEnvMap(nullptr, 0), 0);
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
    const float us[4] = {c.cu, c.cu + 0.125f, c.cu + 0.125f, c.cu}, vs[4] = {c.cv, c.cv, c.cv + 0.125f, c.cv + 0.125f};
    for (int k = 0; k < 4; k++) {
      EXPECT_FLOAT_EQ(d.u[k], us[k]) << "frame " << c.frame;
      EXPECT_FLOAT_EQ(d.v[k], vs[k]) << "frame " << c.frame;
    }
    ExpectSquare(d, {1, 2, 103}, 10);
    EXPECT_EQ(d.material, m);
    EXPECT_EQ(d.colour[0], 0.5f);
    EXPECT_EQ(d.colour[3], 0.5f);
    EXPECT_EQ(g.state, (std::vector<std::string>{"set 1 1", "set 3 1"}));
  }
}

TEST_F(Helpers, LightGlowIsAnAdditiveSquareInWorldAxes) {
  const KR_Matrix frame = Translation(0, 0, 100);
  DEMO_SpriteSetFrame(&frame);
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
  const float want[4] = {0.8f, 0.4f, 0.2f, 0.8f};
  for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(g.drawn[0].colour[k], want[k]);
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
    EXPECT_NEAR(d.at[0].y, -500 + 20, 1e-3f);
    EXPECT_TRUE(cx >= -20 && cx <= 20 && cz >= 580 && cz <= 620) << cx << " " << cz;
    ExpectSquare(d, {cx, -500, cz}, 20);
    const float r = d.colour[0], gr = d.colour[1], b = d.colour[2];
    EXPECT_TRUE((r == 0.5f && gr == 0.25f && b == 0.0f) || (r == 0.0f && gr == 0.25f && b == 0.5f) ||
                (r == 0.25f && gr == 0.5f && b == 0.25f))
        << r << " " << gr << " " << b;
    EXPECT_EQ(d.colour[3], 0.5f);
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
  for (int gr = 0; gr < DEMO_SPARK_GROUPS; gr++)
    for (int n = 0; n < DEMO_SPARKS_PER_GROUP; n++) {
      const DEMO_Spark* s = DEMO_SparkGet(gr, n);
      // Turned about the y axis: y stays within its range, x and z within the turned box.
      EXPECT_TRUE(s->position.y >= -130 && s->position.y <= 130);
      EXPECT_LE(std::hypot(s->position.x, s->position.z), std::hypot(130.0f, 200.0f) + 1e-3f);
      EXPECT_TRUE(s->delay >= -3 && s->delay <= 0);
      EXPECT_FLOAT_EQ(s->birth, 5.0f);
    }
  EXPECT_EQ(DEMO_SparkGet(DEMO_SPARK_GROUPS, 0), nullptr);
  PL_TimerSetManual(0, 0);
}

}  // namespace
