// What the OpenGL driver draws, read back from the frame: texture environments, colour
// sources, blend kinds, depth and stencil functions, culling, both projections, fog, lines,
// points, quad batches, texture layers and the lightmapped polygon in both forms.
#include <gtest/gtest.h>

#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "tests/support/gl_fixture.h"

namespace {

using vt::GlPixel;
using vt::Quad;
using vt::RgbNear;

// Draws in the screen projection: x and y from -1 to 1 over the window.
class GfxOglDraw : public vt::GlTest {
 protected:
  void SetUp() override {
    vt::GlTest::SetUp();
    if (IsSkipped()) return;
    GFX_Disable(GFX_PERSPECTIVE);
  }
  void TearDown() override {
    for (GFX_Material* m : materials) {
      GFX_MaterialUnbind(m);
      GFX_MaterialDelete(m);
    }
  }
  GFX_Material* Solid(int r, int g, int b, int format = IMG_RGB, int a = 255) {
    materials.push_back(vt::GlSolidMaterial(2, 2, format, r, g, b, a));
    return materials.back();
  }
  std::vector<GFX_Material*> materials;
};

TEST_F(GfxOglDraw, ModulateReplaceAndAdd) {
  Quad q(-1, 1, 1, -1, 10.0f, Solid(200, 100, 50));
  q.Colour(0.5f, 0.5f, 0.5f);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 100, 50, 25));
  GFX_Disable(GFX_MODULATE);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 200, 100, 50));
  GFX_Enable(GFX_ADD);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 255, 228, 178));
}

TEST_F(GfxOglDraw, ConstantAgainstPerVertexColour) {
  Quad q(-1, 1, 1, -1, 10.0f, Solid(200, 200, 100));
  q.Colour(0, 0, 1);
  const float half[4] = {0.5f, 1.0f, 1.0f, 1.0f};
  GFX_Set(GFX_SET_COLOUR, 1, half);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(10, 10), 100, 200, 100));
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(10, 10), 0, 0, 100));
  // Untextured: the colours themselves, interpolated between corners.
  GFX_Disable(GFX_TEXTURE);
  q.poly.corners[0].colour[0] = q.poly.corners[3].colour[0] = 1.0f;
  q.poly.corners[0].colour[2] = q.poly.corners[3].colour[2] = 0.0f;
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(1, 240), 255, 0, 0, 3));
  EXPECT_TRUE(RgbNear(GlPixel(638, 240), 0, 0, 255, 3));
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 127, 0, 128, 3));
  const float red[4] = {1, 0, 0, 1};
  GFX_Set(GFX_SET_COLOUR, 1, red);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(638, 240), 255, 0, 0));
}

struct BlendCase {
  int kind;
  int r, g, b;
};

TEST_F(GfxOglDraw, BlendKinds) {
  GFX_Disable(GFX_TEXTURE);
  Quad under(-1, 1, 1, -1, 10.0f);
  under.Colour(0.2f, 0.4f, 0.6f);
  Quad over(-1, 1, 1, -1, 10.0f);
  const float grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  const float alpha = 0.5f;
  const BlendCase cases[] = {
      {1, 178, 229, 255},  // one, one
      {2, 26, 51, 77},     // destination colour, zero
      {3, 115, 166, 217},  // source alpha, one
      {4, 89, 115, 140},   // source alpha, one minus source alpha
      {0, 128, 128, 128},  // blending off
  };
  for (const BlendCase& c : cases) {
    GFX_Disable(GFX_BLEND);
    GFX_Set(GFX_SET_COLOUR, 2, nullptr);
    GFX_DrawPolygon(&under.poly);
    GFX_Enable(GFX_BLEND);
    GFX_Set(GFX_SET_COLOUR, 1, grey);
    GFX_Set(GFX_SET_BLEND, c.kind, &alpha);
    GFX_DrawPolygon(&over.poly);
    EXPECT_TRUE(RgbNear(GlPixel(320, 240), c.r, c.g, c.b)) << "kind " << c.kind;
  }
}

struct DepthCase {
  int kind;
  bool farVisible;
};

TEST_F(GfxOglDraw, DepthFunctionsAndDepthWrites) {
  GFX_Disable(GFX_TEXTURE);
  Quad nearQuad(-1, 1, 1, -1, 5.0f);
  nearQuad.Colour(1, 0, 0);
  Quad farQuad(-1, 1, 1, -1, 10.0f);
  farQuad.Colour(0, 1, 0);
  const DepthCase cases[] = {{1, false}, {2, false}, {3, true}, {4, true}, {6, true}, {0, true}};
  for (const DepthCase& c : cases) {
    GFX_Enable(GFX_DEPTH_TEST);
    GFX_Set(GFX_SET_DEPTH, 2, nullptr);
    GFX_BeginFrame();
    GFX_DrawPolygon(&nearQuad.poly);
    GFX_Set(GFX_SET_DEPTH, c.kind, nullptr);
    GFX_DrawPolygon(&farQuad.poly);
    if (c.farVisible) EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 255, 0)) << "kind " << c.kind;
    else EXPECT_TRUE(RgbNear(GlPixel(320, 240), 255, 0, 0)) << "kind " << c.kind;
  }
  // Without depth writes the near quad leaves no depth behind.
  GFX_Enable(GFX_DEPTH_TEST);
  GFX_Set(GFX_SET_DEPTH, 2, nullptr);
  GFX_BeginFrame();
  GFX_Disable(GFX_DEPTH_WRITE);
  GFX_DrawPolygon(&nearQuad.poly);
  GFX_Enable(GFX_DEPTH_WRITE);
  GFX_DrawPolygon(&farQuad.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 255, 0));
  // Without colour writes nothing shows.
  GFX_BeginFrame();
  GFX_Disable(GFX_COLOUR_WRITE);
  GFX_DrawPolygon(&farQuad.poly);
  GFX_Enable(GFX_COLOUR_WRITE);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 0, 0));
}

struct StencilCase {
  int kind, ref;
  bool left, right;  // where a full-screen quad passes, over stencil 2 on the left and 0 on the right
};

TEST_F(GfxOglDraw, StencilFunctionsAndOperations) {
  GFX_Disable(GFX_TEXTURE);
  GFX_Disable(GFX_DEPTH_TEST);
  Quad left(-1, 1, 0, -1, 10.0f);
  Quad full(-1, 1, 1, -1, 10.0f);
  full.Colour(0, 1, 0);
  GFX_ClearStencil(0);
  GFX_Enable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Set(GFX_SET_STENCIL, 9, nullptr);
  GFX_Disable(GFX_COLOUR_WRITE);
  GFX_DrawPolygon(&left.poly);
  GFX_DrawPolygon(&left.poly);
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Set(GFX_SET_STENCIL, 8, nullptr);
  const StencilCase cases[] = {
      {1, 1, true, false}, {2, 2, true, false}, {3, 1, false, true}, {4, 2, true, true},
      {5, 0, false, true}, {7, 0, true, false}, {6, 9, true, true},  {0, 9, true, true},
  };
  for (const StencilCase& c : cases) {
    GFX_Enable(GFX_STENCIL_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
    const std::int32_t ref = c.ref;
    GFX_Set(GFX_SET_STENCIL, c.kind, &ref);
    GFX_DrawPolygon(&full.poly);
    EXPECT_EQ(GlPixel(100, 240).g == 255, c.left) << "kind " << c.kind;
    EXPECT_EQ(GlPixel(540, 240).g == 255, c.right) << "kind " << c.kind;
  }
  // Decrement on the left: 2 becomes 1.
  GFX_Enable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Set(GFX_SET_STENCIL, 10, nullptr);
  GFX_Disable(GFX_COLOUR_WRITE);
  GFX_DrawPolygon(&left.poly);
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Set(GFX_SET_STENCIL, 8, nullptr);
  const std::int32_t one = 1;
  GFX_Set(GFX_SET_STENCIL, 5, &one);
  glClear(GL_COLOR_BUFFER_BIT);
  GFX_DrawPolygon(&full.poly);
  EXPECT_EQ(GlPixel(100, 240).g, 255);
  EXPECT_EQ(GlPixel(540, 240).g, 0);
}

TEST_F(GfxOglDraw, StencilCountsOnlyWhereDepthPasses) {
  GFX_Disable(GFX_TEXTURE);
  Quad nearLeft(-1, 1, 0, -1, 5.0f);
  Quad farFull(-1, 1, 1, -1, 10.0f);
  farFull.Colour(0, 0, 1);
  GFX_DrawPolygon(&nearLeft.poly);
  GFX_Enable(GFX_STENCIL_TEST);
  GFX_Set(GFX_SET_STENCIL, 6, nullptr);
  GFX_Set(GFX_SET_STENCIL, 9, nullptr);
  GFX_Disable(GFX_COLOUR_WRITE);
  GFX_DrawPolygon(&farFull.poly);
  GFX_Enable(GFX_COLOUR_WRITE);
  GFX_Set(GFX_SET_STENCIL, 8, nullptr);
  const std::int32_t one = 1;
  GFX_Set(GFX_SET_STENCIL, 5, &one);
  GFX_Set(GFX_SET_DEPTH, 6, nullptr);
  GFX_BeginFrame();
  GFX_DrawPolygon(&farFull.poly);
  EXPECT_EQ(GlPixel(100, 240).b, 0);
  EXPECT_EQ(GlPixel(540, 240).b, 255);
}

TEST_F(GfxOglDraw, CullingByWinding) {
  GFX_Disable(GFX_TEXTURE);
  Quad clockwise(-1, 1, 0, -1, 10.0f);
  clockwise.Colour(1, 0, 0);
  Quad counter(0, 1, 1, -1, 10.0f);
  counter.Colour(0, 1, 0).Reverse();
  auto frame = [&] {
    GFX_BeginFrame();
    GFX_DrawPolygon(&clockwise.poly);
    GFX_DrawPolygon(&counter.poly);
    return std::make_pair(GlPixel(100, 240).r == 255, GlPixel(540, 240).g == 255);
  };
  EXPECT_EQ(frame(), std::make_pair(true, false));  // back faces culled, clockwise is front
  GFX_Set(GFX_SET_CULL, 1, nullptr);
  EXPECT_EQ(frame(), std::make_pair(false, true));
  GFX_Set(GFX_SET_CULL, 2, nullptr);
  EXPECT_EQ(frame(), std::make_pair(true, false));
  GFX_Disable(GFX_CULL);
  EXPECT_EQ(frame(), std::make_pair(true, true));
}

TEST_F(GfxOglDraw, ScreenProjectionCoversTheViewport) {
  GFX_Disable(GFX_TEXTURE);
  Quad full(-1, 1, 1, -1, 10.1f);
  full.Colour(1, 1, 0);
  GFX_DrawPolygon(&full.poly);
  for (auto [x, y] : {std::pair{0, 0}, {639, 0}, {0, 479}, {639, 479}})
    EXPECT_TRUE(RgbNear(GlPixel(x, y), 255, 255, 0)) << x << ", " << y;
  GFX_BeginFrame();
  Quad half(-0.5f, 0.5f, 0.5f, -0.5f, 10.1f);
  GFX_DrawPolygon(&half.poly);
  EXPECT_EQ(GlPixel(160, 120).r, 255);
  EXPECT_EQ(GlPixel(479, 359).r, 255);
  EXPECT_EQ(GlPixel(159, 120).r, 0);
  EXPECT_EQ(GlPixel(480, 359).r, 0);
  // The same unit square in the 90-degree perspective at depth 10.1 is small and central.
  GFX_Enable(GFX_PERSPECTIVE);
  GFX_BeginFrame();
  GFX_DrawPolygon(&full.poly);
  EXPECT_EQ(GlPixel(320, 240).r, 255);
  EXPECT_EQ(GlPixel(320 - 40, 240).r, 0);
  EXPECT_EQ(GlPixel(0, 0).r, 0);
}

TEST_F(GfxOglDraw, FogWhitensDistantPolygons) {
  GFX_Disable(GFX_TEXTURE);
  Quad distant(-1, 1, 1, -1, 200.0f);
  distant.Colour(1, 0, 0);
  GFX_Enable(GFX_FOG);
  GFX_BeginFrame();
  EXPECT_TRUE(RgbNear(GlPixel(5, 5), 255, 255, 255));  // white clear colour
  GFX_DrawPolygon(&distant.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 255, 255, 255));
  GFX_Disable(GFX_FOG);
  GFX_BeginFrame();
  GFX_DrawPolygon(&distant.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 255, 0, 0));
}

// A screen position at the centre of pixel (x, y).
KR_Vector PixelCentre(int x, int y, float z) {
  return KR_Vector{(float(x) + 0.5f) * 2.0f / 640.0f - 1.0f, 1.0f - (float(y) + 0.5f) * 2.0f / 480.0f, z};
}

TEST_F(GfxOglDraw, LinesAndPoints) {
  GFX_Disable(GFX_TEXTURE);
  KR_Vector a = PixelCentre(100, 100, 10.0f), b = PixelCentre(500, 100, 10.0f);
  const float red[3] = {1, 0, 0}, blue[3] = {0, 0, 1}, green[3] = {0, 1, 0};
  EXPECT_EQ(GFX_DrawLine(&a, &b, red, blue), 1);
  EXPECT_TRUE(RgbNear(GlPixel(300, 100), 128, 0, 128, 3));
  EXPECT_TRUE(RgbNear(GlPixel(101, 100), 254, 0, 1, 3));
  EXPECT_EQ(GlPixel(300, 102).r, 0);
  // A point behind a polygon still shows; the depth test is back on afterwards.
  Quad cover(-1, 1, 1, -1, 5.0f);
  cover.Colour(0.2f, 0.2f, 0.2f);
  GFX_DrawPolygon(&cover.poly);
  KR_Vector p = PixelCentre(320, 240, 50.0f);
  EXPECT_EQ(GFX_DrawPoint(&p, green), 1);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 255, 0));
  EXPECT_TRUE(RgbNear(GlPixel(321, 240), 51, 51, 51));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(GfxOglDraw, QuadBatches) {
  Quad left(-1, 1, 0, -1, 10.0f, Solid(255, 255, 255));
  left.Colour(1, 0, 0, 0);
  Quad right(0, 1, 1, -1, 10.0f);
  right.poly.material = left.poly.material;
  right.Colour(0, 1, 0, 0);
  // Vertex colours with texturing force alpha 1 in a batch, so alpha blending shows them.
  GFX_Enable(GFX_BLEND);
  GFX_Set(GFX_SET_BLEND, 4, nullptr);
  GFX_MaterialUse(left.poly.material);
  EXPECT_EQ(GFX_BeginQuads(), 0);
  EXPECT_EQ(GFX_QuadVertices(&left.poly), 1);
  EXPECT_EQ(GFX_QuadVertices(&right.poly), 1);
  EXPECT_EQ(GFX_EndQuads(), 1);
  EXPECT_TRUE(RgbNear(GlPixel(100, 240), 255, 0, 0));
  EXPECT_TRUE(RgbNear(GlPixel(540, 240), 0, 255, 0));
  // The polygon variant keeps the corners' alpha of 0: nothing shows.
  GFX_BeginFrame();
  GFX_DrawPolygon(&left.poly);
  EXPECT_TRUE(RgbNear(GlPixel(100, 240), 0, 0, 0));
  GFX_Disable(GFX_BLEND);
  // A constant colour for the whole batch, untextured.
  GFX_Disable(GFX_TEXTURE);
  const float blue[4] = {0, 0, 1, 1};
  GFX_Set(GFX_SET_COLOUR, 1, blue);
  GFX_BeginQuads();
  GFX_QuadVertices(&left.poly);
  GFX_QuadVertices(&right.poly);
  GFX_EndQuads();
  EXPECT_TRUE(RgbNear(GlPixel(100, 240), 0, 0, 255));
  EXPECT_TRUE(RgbNear(GlPixel(540, 240), 0, 0, 255));
}

TEST_F(GfxOglDraw, TextureLayerChoosesMaterialAndCoordinates) {
  Quad q(-1, 1, 1, -1, 10.0f, Solid(255, 0, 0));
  q.poly.lightmap = Solid(0, 0, 255);
  GFX_Disable(GFX_MODULATE);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 255, 0, 0));
  GFX_SetTextureLayer(1);
  GFX_DrawPolygon(&q.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 0, 255));
  GFX_SetTextureLayer(0);
}

TEST_F(GfxOglDraw, LightmappedPolygonInBothForms) {
  Quad q(-1, 1, 1, -1, 10.0f, Solid(200, 200, 200));
  q.poly.lightmap = Solid(128, 64, 255);
  Quad plain(-1, 1, 1, -1, 10.0f, Solid(0, 255, 0));
  ASSERT_EQ(GFX_oglDriver.draw_poly_lm, &GFX_OglDrawPolyLmMulti);
  EXPECT_EQ(GFX_DrawPolygonLightmapped(&q.poly), 1);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 100, 50, 200));
  // Ordinary drawing afterwards sees neither the lightmap nor a wrong texture unit.
  GFX_Disable(GFX_MODULATE);
  GFX_DrawPolygon(&plain.poly);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 0, 255, 0));
  GFX_Enable(GFX_MODULATE);
  GFX_Set(GFX_SET_COLOUR, 2, nullptr);

  GFX_BeginFrame();
  EXPECT_EQ(GFX_OglDrawPolyLmTwoPass(&q.poly), 1);
  EXPECT_TRUE(RgbNear(GlPixel(320, 240), 100, 50, 200));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
