// The graphics layer without a driver: registry, frustum figures, colour helpers, materials
// and their fallbacks, the tile layout of pictures (whose tile images stay in memory when
// no driver takes them), which passes may be skipped, and the 8-bit blend arithmetic the
// one-pass screen effects reproduce.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/kr_mesh.h"
#include "gfx/gfx_2d.h"
#include "gfx/gfx_colour.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_picture.h"
#include "tests/support/test_util.h"

namespace {

TEST(GfxRegistry, OnlyTheOpenGlDriverAtIndexThree) {
  EXPECT_EQ(GFX_DriverValid(-1), 0);
  EXPECT_EQ(GFX_DriverValid(16), 0);
  EXPECT_EQ(GFX_DriverValid(0), 0);
  EXPECT_EQ(GFX_DriverValid(3), 1);
  for (int i = 0; i < 16; i++) EXPECT_EQ(GFX_DriverGet(i), i == 3 ? &GFX_oglDriver : nullptr) << i;
  EXPECT_EQ(GFX_DriverGet(99), nullptr);
  EXPECT_EQ(GFX_DriverCurrent(), nullptr);
}

TEST(GfxRegistry, OpenGlRecordDescribesItself) {
  const GFX_Driver& d = GFX_oglDriver;
  EXPECT_STREQ(d.name, "Windows OpenGL renderer (0.1\xDF)");
  EXPECT_EQ(std::strlen(d.name), 30u);
  ASSERT_EQ(d.device_count, 1);
  EXPECT_STREQ(d.devices[0], "Default Open GL");
  EXPECT_EQ(d.spare2(), 1);
  EXPECT_EQ(d.spare5(), 0);
  EXPECT_EQ(d.spare9(), 0);
  EXPECT_EQ(d.spare28(), 1);
  EXPECT_EQ(d.empty25, nullptr);
  EXPECT_EQ(d.empty26, nullptr);
  EXPECT_EQ(d.attach(nullptr), 0);
}

// The 28 slots follow the three description fields one pointer apart, in the order of the
// driver contract, and the frustum and mode size follow them.
TEST(GfxRegistry, SlotsInContractOrder) {
  const std::size_t first = offsetof(GFX_Driver, attach);
  const std::size_t slots[] = {
      offsetof(GFX_Driver, attach),        offsetof(GFX_Driver, spare2),       offsetof(GFX_Driver, enable),
      offsetof(GFX_Driver, disable),       offsetof(GFX_Driver, spare5),       offsetof(GFX_Driver, set),
      offsetof(GFX_Driver, set_mode),      offsetof(GFX_Driver, perspective),  offsetof(GFX_Driver, spare9),
      offsetof(GFX_Driver, begin_frame),   offsetof(GFX_Driver, end_frame),    offsetof(GFX_Driver, draw_poly),
      offsetof(GFX_Driver, draw_poly_lm),  offsetof(GFX_Driver, begin_quads),  offsetof(GFX_Driver, quad_vertices),
      offsetof(GFX_Driver, end_prim),      offsetof(GFX_Driver, draw_line),    offsetof(GFX_Driver, draw_point),
      offsetof(GFX_Driver, tex_create),    offsetof(GFX_Driver, tex_delete),   offsetof(GFX_Driver, tex_upload),
      offsetof(GFX_Driver, tex_bind),      offsetof(GFX_Driver, max_texture_size), offsetof(GFX_Driver, stencil_bits),
      offsetof(GFX_Driver, empty25),       offsetof(GFX_Driver, empty26),      offsetof(GFX_Driver, clear_stencil),
      offsetof(GFX_Driver, spare28),
  };
  ASSERT_EQ(std::size(slots), 28u);
  for (std::size_t i = 0; i < 28; i++) EXPECT_EQ(slots[i], first + i * sizeof(void*)) << "slot " << i + 1;
  EXPECT_LT(offsetof(GFX_Driver, device_count), first);
  EXPECT_LT(offsetof(GFX_Driver, devices), first);
  EXPECT_EQ(offsetof(GFX_Driver, frustum), first + 28 * sizeof(void*));
  EXPECT_LT(offsetof(GFX_Driver, frustum), offsetof(GFX_Driver, width));
  EXPECT_LT(offsetof(GFX_Driver, width), offsetof(GFX_Driver, height));
}

TEST(GfxRegistry, ForwardersWithoutADriverReportAndDoNothing) {
  vt::ErrorLog log;
  KR_MeshPoly poly{};
  EXPECT_EQ(GFX_Enable(GFX_BLEND), 0);
  EXPECT_EQ(GFX_DrawPolygon(&poly), 0);
  EXPECT_EQ(GFX_SetMode(640, 480, 24, 24, 8, 0), 0);
  EXPECT_EQ(GFX_SetPerspective(90.0f, 1.0f, 6000.0f), 0);
  EXPECT_EQ(GFX_EndFrame(), 0);
  EXPECT_EQ(GFX_GetFrustum(), nullptr);
  EXPECT_TRUE(log.Has("GFX_Enable - no driver"));
  EXPECT_TRUE(log.Has("GFX_DrawPolygon - no driver"));
  EXPECT_TRUE(log.Has("GFX_SetMode - no driver"));
}

TEST(GfxRegistry, TextureLayerTakesZeroOrOne) {
  EXPECT_EQ(GFX_SetTextureLayer(1), 1);
  EXPECT_EQ(GFX_TextureLayer(), 1);
  EXPECT_EQ(GFX_SetTextureLayer(2), 0);
  EXPECT_EQ(GFX_SetTextureLayer(-1), 0);
  EXPECT_EQ(GFX_TextureLayer(), 1);
  EXPECT_EQ(GFX_SetTextureLayer(0), 1);
  EXPECT_EQ(GFX_TextureLayer(), 0);
}

TEST(GfxFrustum, NinetyDegreesAt640x480) {
  KR_Plane p[6];
  GFX_FrustumCompute(p, 90.0f, 1.0f, 6000.0f, 640, 480);
  const float h = 45.0f * 3.1415927f / 180.0f, v = 33.75f * 3.1415927f / 180.0f;
  EXPECT_NEAR(p[0].nx, 0.7071f, 1e-4f);
  EXPECT_EQ(p[0].ny, 0.0f);
  EXPECT_NEAR(p[0].nz, 0.7071f, 1e-4f);
  EXPECT_EQ(p[0].d, 0.0f);
  EXPECT_FLOAT_EQ(p[1].nx, -std::cos(h));
  EXPECT_FLOAT_EQ(p[1].nz, std::sin(h));
  EXPECT_FLOAT_EQ(p[2].ny, std::cos(v));
  EXPECT_FLOAT_EQ(p[2].nz, std::sin(v));
  EXPECT_FLOAT_EQ(p[3].ny, -std::cos(v));
  EXPECT_FLOAT_EQ(p[3].nz, std::sin(v));
  EXPECT_NEAR(std::atan2(p[2].nz, p[2].ny) * 180.0f / 3.1415927f, 33.75f, 1e-4f);
  EXPECT_EQ(p[4].nx, 0.0f);
  EXPECT_EQ(p[4].nz, 1.0f);
  EXPECT_EQ(p[4].d, 1.0f);
  EXPECT_EQ(p[5].nz, -1.0f);
  EXPECT_EQ(p[5].d, -6000.0f);
}

TEST(GfxColour, ClampSetScaleAdd) {
  float c[4];
  GFX_ColourSet(c, -0.5f, 0.5f, 1.5f, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(GFX_ColourClamp(c), 1);
  EXPECT_EQ(c[0], 0.0f);
  EXPECT_EQ(c[1], 0.5f);
  EXPECT_EQ(c[2], 1.0f);
  EXPECT_EQ(c[3], 0.0f);

  const std::uint8_t a[4] = {200, 100, 0, 255}, b[4] = {100, 154, 0, 1};
  std::uint8_t d[4];
  GFX_ColourAddBytes(d, a, b);
  EXPECT_EQ(d[0], 255);
  EXPECT_EQ(d[1], 254);
  EXPECT_EQ(d[2], 0);
  EXPECT_EQ(d[3], 255);
  GFX_ColourScaleBytes(d, a, 128);
  EXPECT_EQ(d[0], 100);
  EXPECT_EQ(d[3], 127);
  GFX_ColourScaleBytes(d, a, 256);
  EXPECT_EQ(d[1], 100);
}

TEST(GfxMaterial, NewSolidAndSetters) {
  GFX_Material* m = GFX_MaterialNewSolid(3, 2, 10, 20, 30);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->image->format, IMG_RGB);
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(m->image->data[3 * i], 10);
    EXPECT_EQ(m->image->data[3 * i + 2], 30);
  }
  EXPECT_EQ(m->kind, 0);
  EXPECT_EQ(m->refCount, 1);
  EXPECT_EQ(m->created, 0);
  EXPECT_EQ(m->queueStamp, -1);
  EXPECT_EQ(m->colourA[3], 0.0f);
  EXPECT_EQ(m->colourB[0], 1.0f);
  GFX_MaterialSetColourA(m, 2.0f, -1.0f, 0.25f, 1.0f);
  EXPECT_EQ(m->colourA[0], 1.0f);
  EXPECT_EQ(m->colourA[1], 0.0f);
  EXPECT_EQ(m->colourA[2], 0.25f);
  GFX_MaterialSetKind(m, 4);
  GFX_MaterialSetOpacity(m, 0.3f);
  EXPECT_EQ(m->kind, 4);
  EXPECT_EQ(m->opacity, 0.3f);
  EXPECT_EQ(GFX_MaterialDelete(m), 1);
}

TEST(GfxMaterial, ReferencesAndTextureFunctionsWithoutADriver) {
  vt::ErrorLog log;
  GFX_Material* m = GFX_MaterialNew(4, 4, IMG_RGBA);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(GFX_MaterialBind(m), 0);
  EXPECT_EQ(GFX_MaterialUpload(m), 0);
  EXPECT_EQ(GFX_MaterialUse(m), 0);
  EXPECT_NE(m->image, nullptr);
  EXPECT_EQ(m->created, 0);
  EXPECT_TRUE(log.Has("GFX_MaterialBind - no driver"));
  m->refCount = 2;
  EXPECT_EQ(GFX_MaterialDelete(m), 0);
  EXPECT_EQ(m->refCount, 1);
  EXPECT_EQ(GFX_MaterialDelete(m), 1);
  EXPECT_EQ(GFX_MaterialDelete(nullptr), 0);
  EXPECT_EQ(GFX_MaterialNew(4, 4, 9), nullptr);
}

TEST(GfxMaterial, CreateFallsBackToSolidColoursAndTheDefault) {
  GFX_Material* blue = GFX_MaterialCreate(".255");
  ASSERT_NE(blue, nullptr);
  EXPECT_EQ(blue->image->width, 16);
  EXPECT_EQ(blue->image->height, 16);
  EXPECT_EQ(blue->image->data[0], 0);
  EXPECT_EQ(blue->image->data[1], 0);
  EXPECT_EQ(blue->image->data[2], 255);
  GFX_Material* red = GFX_MaterialCreate(".16711680");
  EXPECT_EQ(red->image->data[0], 255);
  EXPECT_EQ(red->image->data[2], 0);
  EXPECT_NE(red, blue);

  GFX_Material* def = GFX_MaterialDefault();
  int refs = def->refCount;
  EXPECT_EQ(GFX_MaterialCreate("data\\graphics\\missing.jpg"), def);
  EXPECT_EQ(def->refCount, refs + 1);
  // A dot without a number is a missing file like any other.
  EXPECT_EQ(GFX_MaterialCreate(".notanumber"), def);
  EXPECT_EQ(GFX_MaterialCreate(nullptr), def);
  EXPECT_EQ(def->refCount, refs + 3);
  ASSERT_NE(def->image, nullptr);
  EXPECT_EQ(def->image->width, 256);
  EXPECT_EQ(def->image->format, IMG_RGB);
  EXPECT_EQ(def->image->data[3 * 256 * 256 - 1], 255);
  // The default material is counted but never freed.
  for (int i = 0; i < refs + 5; i++) EXPECT_EQ(GFX_MaterialDelete(def), 0);
  EXPECT_EQ(def->refCount, 0);
  EXPECT_EQ(GFX_MaterialDefault(), def);
  EXPECT_EQ(def->refCount, 1);
  GFX_MaterialDelete(blue);
  GFX_MaterialDelete(red);
}

// Image of w x h with a pattern that tells every pixel apart.
GFX_Material* Pattern(int w, int h, int format) {
  GFX_Material* m = GFX_MaterialNew(w, h, format);
  const int bpp = IMG_BytesPerPixel(format);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (int k = 0; k < bpp; k++) m->image->data[(y * w + x) * bpp + k] = std::uint8_t(x * 3 + y * 7 + k * 50);
  return m;
}

TEST(GfxPicture, FullScreenLayout) {
  GFX_Material* source = Pattern(640, 480, IMG_RGB);
  GFX_Picture* p = GFX_PictureFromMaterial(source);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->columns, 5);
  EXPECT_EQ(p->rows, 4);
  EXPECT_EQ(p->tileCount, 20);
  EXPECT_EQ(p->polyCount, 20);
  EXPECT_EQ(p->vertexCount, 80);
  EXPECT_EQ(p->width, 640);
  EXPECT_EQ(p->height, 480);
  // Last column ends at x = 1 with umax 1; last row at y = -1 with vmax 0.75.
  const KR_MeshPoly& last = p->polys[19];
  EXPECT_FLOAT_EQ(last.corners[2].vertex->position.x, 1.0f);
  EXPECT_FLOAT_EQ(last.corners[2].vertex->position.y, -1.0f);
  EXPECT_EQ(last.corners[2].u, 1.0f);
  EXPECT_EQ(last.corners[2].v, 0.75f);
  EXPECT_EQ(last.material, p->materials[19]);
  // Tile (1, 2): x from -0.2 to 0.2, y from 1 - 256/480 to 1 - 512/480.
  const KR_MeshPoly& t = p->polys[7];
  EXPECT_FLOAT_EQ(t.corners[0].vertex->position.x, -0.2f);
  EXPECT_FLOAT_EQ(t.corners[1].vertex->position.x, 0.2f);
  EXPECT_FLOAT_EQ(t.corners[0].vertex->position.y, 1.0f - 256.0f / 480.0f);
  EXPECT_FLOAT_EQ(t.corners[3].vertex->position.y, 1.0f - 512.0f / 480.0f);
  EXPECT_EQ(t.corners[0].vertex->position.z, 10.1f);
  EXPECT_EQ(t.corners[1].vertex->position.z, 0.1f);
  EXPECT_EQ(t.corners[0].vertex, &p->vertices[28]);
  EXPECT_EQ(t.corners[3].vertex->tposition.y, t.corners[3].vertex->position.y);
  // Pixel (300, 200) lands in tile 1 * 5 + 2 at (44, 72).
  const std::uint8_t* tile = p->materials[7]->image->data;
  EXPECT_EQ(std::memcmp(tile + (72 * 128 + 44) * 3, source->image->data + (200 * 640 + 300) * 3, 3), 0);
  // The last row's tiles are zero below the image.
  EXPECT_EQ(p->materials[17]->image->data[(100 * 128 + 5) * 3], 0);
  EXPECT_EQ(GFX_PictureDelete(p), 1);
  GFX_MaterialDelete(source);
}

TEST(GfxPicture, SmallPictureLayoutAndEdges) {
  GFX_Material* source = Pattern(100, 50, IMG_RGBA);
  GFX_Picture* p = GFX_PictureFromMaterial(source);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->tileCount, 1);
  const KR_MeshPoly& t = p->polys[0];
  EXPECT_FLOAT_EQ(t.corners[0].vertex->position.x, -1.0f);
  EXPECT_FLOAT_EQ(t.corners[0].vertex->position.y, 1.0f);
  EXPECT_FLOAT_EQ(t.corners[2].vertex->position.x, -0.6875f);
  EXPECT_NEAR(t.corners[2].vertex->position.y, 0.7917f, 1e-4f);
  EXPECT_EQ(t.corners[2].u, 0.78125f);
  EXPECT_EQ(t.corners[2].v, 0.390625f);
  const IMG_Image* tile = p->materials[0]->image;
  EXPECT_EQ(tile->format, IMG_RGBA);
  EXPECT_EQ(std::memcmp(tile->data + (49 * 128 + 99) * 4, source->image->data + (49 * 100 + 99) * 4, 4), 0);
  EXPECT_EQ(tile->data[(49 * 128 + 100) * 4], 0);
  EXPECT_EQ(tile->data[(50 * 128) * 4 + 1], 0);
  GFX_PictureDelete(p);
  GFX_MaterialDelete(source);
}

TEST(GfxPicture, RefusesMaterialsWithoutAnImage) {
  vt::ErrorLog log;
  GFX_Material* m = GFX_MaterialNew(8, 8, IMG_RGB);
  IMG_ImageDelete(m->image);
  m->image = nullptr;
  EXPECT_EQ(GFX_PictureFromMaterial(m), nullptr);
  EXPECT_EQ(GFX_PictureFromMaterial(nullptr), nullptr);
  EXPECT_TRUE(log.Has("GFX_PictureFromMaterial - no image"));
  EXPECT_EQ(GFX_PictureDelete(nullptr), 0);
  GFX_MaterialDelete(m);
}

TEST(GfxPassChanges, OnlyPassesThatCannotChangeAPixelAreSkipped) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    int kind;
    float colour[4];
    float area;
    int changes;
  };
  const Case cases[] = {
      {4, {1, 1, 1, 0}, 1, 0},           // weighted by alpha 0
      {3, {1, 1, 1, 0}, 1, 0},           // added, weighted by alpha 0
      {4, {1, 1, 1, -0.5f}, 1, 0},       // GL clamps the alpha to 0
      {4, {1, 1, 1, 1.0f / 1024}, 1, 1},  // too faint for 8 bits, not for a float buffer
      {4, {1, 1, 1, nan}, 1, 1},
      {4, {0, 0, 0, 1}, 1, 1},           // a black veil darkens
      {1, {0, 0, 0, 0}, 1, 0},           // adds nothing
      {1, {0, 0, 0, 0.5f}, 1, 1},        // adds to the alpha channel
      {1, {0.2f, 0, 0, 0}, 1, 1},
      {2, {0, 0, 0, 0}, 1, 1},           // multiplies by the texture, which it does not see
      {0, {0, 0, 0, 0}, 1, 1},           // unblended: writes
      {4, {1, 1, 1, 1}, 0, 0},           // no area
      {2, {1, 1, 1, 1}, 0, 0},
      {4, {1, 1, 1, 1}, -2, 1},          // turned over, and culling is off
  };
  for (const Case& c : cases)
    EXPECT_EQ(GFX_PassChanges(c.kind, c.colour, c.area), c.changes)
        << "kind " << c.kind << " colour " << c.colour[0] << " " << c.colour[3] << " area " << c.area;
}

TEST(GfxOglBlend, TheFitGivesTheBlendersProductForEveryPairOfValues) {
  // Products measured from llvmpipe's blender (a source over a destination at alpha 26 and 64).
  EXPECT_EQ(GFX_OglBlendMul(152, 229), 136);
  EXPECT_EQ(GFX_OglBlendMul(253, 191), 189);
  EXPECT_EQ(GFX_OglBlendMul(255, 255), 255);
  EXPECT_EQ(GFX_OglBlendMul(0, 200), 0);
  int wrong = 0;
  for (int q = 0; q < 256; q++) {
    float k = 0, c = 0;
    GFX_OglBlendFit(q, &k, &c);
    for (int p = 0; p < 256; p++) {
      const int want = GFX_OglBlendMul(p, q);
      // A shader may or may not fuse the multiply and the add.
      wrong += int(std::floor(float(p) * k + c)) != want;
      wrong += int(std::floor(std::fma(float(p), k, c))) != want;
    }
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
