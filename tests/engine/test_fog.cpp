// Fog volumes: the line-of-sight segment through the sphere, the per-vertex amounts, and the
// blended fog pass drawn under Xvfb.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "engine/kr_fog.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/gl_fixture.h"

namespace {

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
  // Amount along +z from the eye to a vertex at distance a.
  float Along(float a, int* hit = nullptr) const {
    KR_Vector eye{0, 0, 0}, dir{0, 0, 1};
    float amount = -1;
    int h = FOG_VolumeSegment(v, &eye, &dir, a, &amount);
    if (hit) *hit = h;
    return amount;
  }
};

TEST(FogVolume, CreationAndColourBytes) {
  Fog fog({1, 2, 3}, 4, 0.5f);
  EXPECT_EQ(fog.v->type, FOG_SPHERICAL);
  EXPECT_EQ(fog.v->shape->radius2, 16.0f);
  const float colour[4] = {1, 0.5f, 0, 1};
  FOG_VolumeSetColour(fog.v, colour);
  EXPECT_EQ(fog.v->colourBytes[0], 255);
  EXPECT_EQ(fog.v->colourBytes[1], 127);
  EXPECT_EQ(fog.v->colourBytes[2], 0);
  EXPECT_EQ(fog.v->colourBytes[3], 255);
  const float wild[4] = {2, -1, NAN, 0.999f};
  FOG_VolumeSetColour(fog.v, wild);
  EXPECT_EQ(fog.v->colourBytes[0], 255);
  EXPECT_EQ(fog.v->colourBytes[1], 0);
  EXPECT_EQ(fog.v->colourBytes[2], 0);
  EXPECT_EQ(fog.v->colourBytes[3], 254);
  KR_Matrix t = vt::Translation(0, 0, 10);
  FOG_VolumeTransform(fog.v, &t);
  EXPECT_TRUE(vt::VecNear(fog.v->shape->tcentre, 1, 2, 13));
}

TEST(FogVolume, SegmentCountsOnlyTheSightLineInsideTheSphere) {
  int hit = -1;
  // Off to the side: the line misses.
  Fog side({10, 0, 20}, 5, 1);
  EXPECT_EQ(side.Along(100, &hit), 0.0f);
  EXPECT_EQ(hit, 0);
  // Grazing the sphere is a miss as well.
  Fog graze({5, 0, 20}, 5, 1);
  EXPECT_EQ(graze.Along(100, &hit), 0.0f);
  EXPECT_EQ(hit, 0);

  // Sphere from z = 15 to 25, density 0.1.
  Fog ahead({0, 0, 20}, 5, 0.1f);
  EXPECT_NEAR(ahead.Along(100, &hit), 1.0f, 1e-5f);  // right through
  EXPECT_EQ(hit, 1);
  EXPECT_NEAR(ahead.Along(18), 0.3f, 1e-5f);  // the vertex is inside
  EXPECT_EQ(ahead.Along(10, &hit), 0.0f);     // in front of the sphere: both ends clamp to a
  EXPECT_EQ(hit, 1);

  // The eye inside: from the eye to the vertex or to the far side, whichever is nearer.
  Fog around({0, 0, 2}, 5, 0.1f);
  EXPECT_NEAR(around.Along(4), 0.4f, 1e-5f);
  EXPECT_NEAR(around.Along(50), 0.7f, 1e-5f);
}

TEST(FogVolume, MeshApplyAccumulatesAmountAndTakesTheLastColour) {
  KR_Mesh* m = vt::BuildMesh("fogged", {{0, 0, 30}, {0, 0, 10}, {0, 0, 0}, {40, 0, 0}}, {});
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  KR_MeshTransformAbsolute(m, &identity);
  for (int i = 0; i < 4; i++) m->vertices[i].fog[3] = 9;
  FOG_MeshClear(m);
  EXPECT_EQ(m->vertices[0].fog[3], 0.0f);

  Fog a({0, 0, 20}, 5, 0.1f), b({0, 0, 20}, 5, 0.2f);
  const float red[4] = {1, 0, 0, 0}, blue[4] = {0, 0, 1, 0};
  FOG_VolumeSetColour(a.v, red);
  FOG_VolumeSetColour(b.v, blue);
  FOG_MeshApply(m, a.v, &identity);
  FOG_MeshApply(m, b.v, &identity);
  EXPECT_NEAR(m->vertices[0].fog[3], 1.0f + 2.0f, 1e-5f);
  EXPECT_EQ(m->vertices[1].fog[3], 0.0f);
  EXPECT_EQ(m->vertices[2].fog[3], 0.0f);  // at the eye: no line of sight
  EXPECT_FALSE(std::isnan(m->vertices[2].fog[3]));
  EXPECT_EQ(m->vertices[3].fog[3], 0.0f);
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(m->vertices[i].fog[0], 0.0f);
    EXPECT_EQ(m->vertices[i].fog[2], 1.0f);
  }
  // The volume's matrix moves the sphere into the mesh's space first.
  FOG_MeshClear(m);
  KR_Matrix away = vt::Translation(0, 100, 0);
  FOG_MeshApply(m, a.v, &away);
  EXPECT_EQ(m->vertices[0].fog[3], 0.0f);
  KR_MeshDelete(m);
}

// A camera-space quad 20 units ahead, covering the middle of the screen, drawn blue.
class FogRender : public vt::GlTest {
 protected:
  KR_Mesh* quad = nullptr;
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    quad = vt::BuildMesh("quad", {{-10, 10, 20}, {10, 10, 20}, {10, -10, 20}, {-10, -10, 20}}, {{{0, 1, 2, 3}}});
    KR_MeshGenerateNormals(quad);
    KR_MeshTransformIdentity(quad);
    KR_MeshTransform(quad);
    const float blue[4] = {0, 0, 1, 1};
    KR_MeshPolySetColour(&quad->polys[0], blue);
    GFX_Disable(GFX_TEXTURE);
    KR_MeshRender(quad);
  }
  void TearDown() override { KR_MeshDelete(quad); }
};

TEST_F(FogRender, FoggedPolygonIsBlendedTowardTheFogColour) {
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 0, 0, 255));
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  const float red[4] = {1, 0, 0, 1};

  // A sphere around the eye: every corner's whole sight line (about 24.5 units) is inside, so
  // each corner is a little over half fogged.
  Fog half({0, 0, 0}, 100, 0.5f / 21.0f);
  FOG_VolumeSetColour(half.v, red);
  FOG_MeshClear(quad);
  FOG_MeshApply(quad, half.v, &identity);
  ASSERT_EQ(FOG_MeshRender(quad), 1);
  vt::Rgba mid = vt::GlPixel(320, 240);
  EXPECT_GT(mid.r, 100);
  EXPECT_LT(mid.r, 160);
  EXPECT_GT(mid.b, 100);
  EXPECT_LT(mid.b, 160);
  EXPECT_EQ(mid.g, 0);
  // Outside the quad nothing was drawn.
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(5, 5), 0, 0, 0));
  // The pass leaves texturing and depth writes on and blending off.
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(FogRender, SaturatedFogIsOpaqueAndClearPolygonsAreNotDrawn) {
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  const float red[4] = {1, 0, 0, 1};
  Fog thick({0, 0, 0}, 100, 10.0f);
  FOG_VolumeSetColour(thick.v, red);
  FOG_MeshClear(quad);
  FOG_MeshApply(quad, thick.v, &identity);
  FOG_MeshRender(quad);
  EXPECT_EQ(quad->vertices[0].fog[3], 1.0f);  // clamped
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 255, 0, 0));

  // No fog on any corner: the polygon is skipped, its colours are still the fog's.
  vt::GlReset();
  GFX_Disable(GFX_TEXTURE);
  const float green[4] = {0, 1, 0, 1};
  KR_MeshPolySetColour(&quad->polys[0], green);
  KR_MeshRender(quad);
  Fog far({500, 0, 0}, 10, 1.0f);
  FOG_VolumeSetColour(far.v, red);
  FOG_MeshClear(quad);
  FOG_MeshApply(quad, far.v, &identity);
  FOG_MeshRender(quad);
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 0, 255, 0));
  EXPECT_EQ(quad->polys[0].corners[0].colour[3], 0.0f);
}

}  // namespace
