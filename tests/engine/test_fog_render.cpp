// The fog pass drawn under Xvfb: fogged polygons blend toward the fog colour.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "engine/kr_fog.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/gl_fixture.h"

namespace {

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
  vt::Fog half({0, 0, 0}, 100, 0.5f / 21.0f);
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
  vt::Fog thick({0, 0, 0}, 100, 10.0f);
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
  vt::Fog far({500, 0, 0}, 10, 1.0f);
  FOG_VolumeSetColour(far.v, red);
  FOG_MeshClear(quad);
  FOG_MeshApply(quad, far.v, &identity);
  FOG_MeshRender(quad);
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 0, 255, 0));
  EXPECT_EQ(quad->polys[0].corners[0].colour[3], 0.0f);
}

}  // namespace
