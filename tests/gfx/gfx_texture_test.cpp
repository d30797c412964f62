// Textures and materials on the OpenGL driver, and pictures on screen: redundant binds, the
// bind lock, uploads by image format, filtering, sub-image upload, deletion, the material
// texture functions, and where picture tiles land.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/gfx_2d.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/gfx_ogl.h"
#include "gfx/gfx_picture.h"
#include "tests/gfx/screen_checks.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_util.h"

namespace {

GLint Bound() {
  GLint v = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
  return v;
}

GLint LevelParameter(GLenum what) {
  GLint v = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v);
  return v;
}

GLint Parameter(GLenum what) {
  GLint v = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, what, &v);
  return v;
}

// The material's texture as RGBA bytes.
std::vector<std::uint8_t> TextureRgba(GFX_Material* m) {
  GFX_OglBindRaw(m->texture);
  std::vector<std::uint8_t> out(std::size_t(LevelParameter(GL_TEXTURE_WIDTH)) * LevelParameter(GL_TEXTURE_HEIGHT) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

using GfxTexture = vt::ScreenTest;

TEST_F(GfxTexture, SameMaterialBindsOnce) {
  GFX_Material* a = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 255, 0, 0));
  GFX_Material* b = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 0, 255, 0));
  GFX_MaterialUse(a);
  std::uint32_t binds = GFX_ogl.bindCount;
  EXPECT_EQ(GFX_MaterialUse(a), 1);
  EXPECT_EQ(GFX_ogl.bindCount, binds);
  EXPECT_EQ(GFX_MaterialUse(nullptr), 1);
  EXPECT_EQ(GFX_ogl.bindCount, binds);
  EXPECT_EQ(Bound(), GLint(a->texture));
  // Two polygons of one material: the second draws without binding.
  vt::Quad q1(-1, 1, 0, -1, 10.0f, b), q2(0, 1, 1, -1, 10.0f, b);
  GFX_Disable(GFX_PERSPECTIVE);
  GFX_DrawPolygon(&q1.poly);
  EXPECT_EQ(GFX_ogl.bindCount, binds + 1);
  GFX_DrawPolygon(&q2.poly);
  EXPECT_EQ(GFX_ogl.bindCount, binds + 1);
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(600, 10), 0, 255, 0));
  // The lock keeps whatever is bound.
  GFX_ogl.bindLock = 1;
  EXPECT_EQ(GFX_MaterialUse(a), 1);
  EXPECT_EQ(Bound(), GLint(b->texture));
  GFX_ogl.bindLock = 0;
  GFX_MaterialUse(a);
  EXPECT_EQ(Bound(), GLint(a->texture));
}

TEST_F(GfxTexture, UploadsLeaveTheirTextureRemembered) {
  GFX_Material* a = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 255, 0, 0));
  GFX_MaterialUse(a);
  // Creating another texture binds it; drawing with the first must bind that again.
  GFX_Material* b = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 0, 0, 255));
  EXPECT_EQ(Bound(), GLint(b->texture));
  GFX_MaterialUse(a);
  EXPECT_EQ(Bound(), GLint(a->texture));
  GFX_OglBindRaw(GFX_ogl.renderTarget);
  GFX_MaterialUse(a);
  EXPECT_EQ(Bound(), GLint(a->texture));
}

struct FormatCase {
  int format;
  GLint internal;
  std::uint8_t alpha;  // what the texture holds for a fourth byte of 7
};

TEST_F(GfxTexture, FormatsUploadByTheTable) {
  const FormatCase cases[] = {{IMG_RGB, GL_RGB8, 255}, {IMG_RGBX, GL_RGB8, 255}, {IMG_RGBA, GL_RGBA8, 7}};
  for (const FormatCase& c : cases) {
    // Width 3 has RGB rows of 9 bytes: rows are packed without padding.
    GFX_Material* m = Keep(GFX_MaterialNew(3, 2, c.format));
    const int bpp = IMG_BytesPerPixel(c.format);
    for (int i = 0; i < 6; i++) {
      const std::uint8_t px[4] = {std::uint8_t(10 * i), std::uint8_t(100 + i), std::uint8_t(200 - i), 7};
      std::memcpy(m->image->data + i * bpp, px, std::size_t(bpp));
    }
    ASSERT_EQ(GFX_MaterialUpload(m), 1);
    EXPECT_EQ(m->created, 1);
    EXPECT_NE(m->image, nullptr);
    std::vector<std::uint8_t> t = TextureRgba(m);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_INTERNAL_FORMAT), c.internal) << "format " << c.format;
    EXPECT_EQ(LevelParameter(GL_TEXTURE_WIDTH), 3);
    for (int i = 0; i < 6; i++) {
      EXPECT_EQ(t[i * 4], 10 * i) << "format " << c.format;
      EXPECT_EQ(t[i * 4 + 2], 200 - i) << "format " << c.format;
      EXPECT_EQ(t[i * 4 + 3], c.alpha) << "format " << c.format;
    }
  }
  vt::ErrorLog log;
  GFX_Material* odd = Keep(GFX_MaterialNew(2, 2, IMG_RGB));
  odd->image->format = 9;
  EXPECT_EQ(GFX_OglTexCreate(odd), 0);
  EXPECT_TRUE(log.Has("GFX_OglTexUpload - unknown image format (9)"));
}

TEST_F(GfxTexture, FilterFlagAppliesToLaterTextures) {
  GFX_Disable(GFX_FILTER);
  GFX_Material* sharp = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 1, 2, 3));
  GFX_Enable(GFX_FILTER);
  GFX_Material* smooth = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 1, 2, 3));
  GFX_OglBindRaw(sharp->texture);
  EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  GFX_OglBindRaw(smooth->texture);
  EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
}

TEST_F(GfxTexture, SubImageUploadIntoTheExistingTexture) {
  GFX_Material* clip = Keep(vt::GlSolidMaterial(8, 4, IMG_RGBX, 0, 0, 0, 0));
  GLuint name = clip->texture;
  std::vector<std::uint8_t> frame(3 * 2 * 4);
  for (std::size_t i = 0; i < frame.size(); i++) frame[i] = std::uint8_t(i + 1);
  EXPECT_EQ(GFX_OglTexSubUpload(clip, 1, 2, 3, 2, frame.data()), 1);
  EXPECT_EQ(clip->texture, name);
  std::vector<std::uint8_t> t = TextureRgba(clip);
  // Texture row 2 starts with the frame's first row, at column 1.
  EXPECT_EQ(t[(2 * 8 + 1) * 4], 1);
  EXPECT_EQ(t[(2 * 8 + 3) * 4 + 2], 11);
  EXPECT_EQ(t[(3 * 8 + 1) * 4 + 1], 14);
  EXPECT_EQ(t[(3 * 8 + 3) * 4 + 3], 255);  // RGBX: no alpha in the texture
  EXPECT_EQ(t[(2 * 8 + 0) * 4], 0);
  EXPECT_EQ(t[(1 * 8 + 1) * 4], 0);

  vt::ErrorLog log;
  EXPECT_EQ(GFX_OglTexSubUpload(clip, 6, 0, 3, 2, frame.data()), 0);
  EXPECT_EQ(GFX_OglTexSubUpload(clip, -1, 0, 1, 1, frame.data()), 0);
  EXPECT_EQ(GFX_OglTexSubUpload(clip, 0, 0, 1, 1, nullptr), 0);
  EXPECT_TRUE(log.Has("GFX_OglTexSubUpload - bad area (6, 0, 3 x 2)"));
  GFX_Material* never = Keep(GFX_MaterialNew(4, 4, IMG_RGB));
  EXPECT_EQ(GFX_OglTexSubUpload(never, 0, 0, 1, 1, frame.data()), 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  // RGB source rows for a format-1 material.
  GFX_Material* rgb = Keep(vt::GlSolidMaterial(4, 4, IMG_RGB, 0, 0, 0));
  const std::uint8_t two[6] = {9, 8, 7, 6, 5, 4};
  EXPECT_EQ(GFX_OglTexSubUpload(rgb, 2, 3, 2, 1, two), 1);
  t = TextureRgba(rgb);
  EXPECT_EQ(t[(3 * 4 + 3) * 4 + 1], 5);
}

TEST_F(GfxTexture, MaterialTextureLifecycle) {
  GFX_Material* m = GFX_MaterialNewSolid(4, 4, 1, 2, 3);
  EXPECT_EQ(GFX_MaterialBind(m), 1);
  EXPECT_EQ(m->created, 1);
  EXPECT_EQ(m->image, nullptr);  // dropped after upload
  GLuint name = m->texture;
  EXPECT_TRUE(glIsTexture(name));
  EXPECT_EQ(GFX_MaterialBind(m), 1);
  m->refCount = 2;
  EXPECT_EQ(GFX_MaterialUnbind(m), 0);
  EXPECT_TRUE(glIsTexture(name));
  m->refCount = 1;
  EXPECT_EQ(GFX_MaterialUnbind(m), 1);
  EXPECT_FALSE(glIsTexture(name));
  EXPECT_EQ(m->created, 0);
  EXPECT_EQ(m->texture, 0u);
  EXPECT_EQ(GFX_MaterialUnbind(m), 0);
  EXPECT_EQ(GFX_OglTexDelete(nullptr), 0);
  EXPECT_EQ(GFX_MaterialDelete(m), 1);

  // Upload keeps the image, and Update sends it again.
  GFX_Material* kept = Keep(vt::GlSolidMaterial(2, 2, IMG_RGB, 10, 20, 30));
  ASSERT_NE(kept->image, nullptr);
  kept->image->data[0] = 99;
  EXPECT_EQ(GFX_MaterialUpdate(kept), 1);
  EXPECT_EQ(TextureRgba(kept)[0], 99);
  EXPECT_EQ(GFX_StencilBits(), 8);
  EXPECT_GE(GFX_MaxTextureSize(), 512);
}

TEST_F(GfxTexture, DefaultMaterialHasATextureAndKeepsItsImage) {
  GFX_Material* def = GFX_MaterialDefault();
  EXPECT_EQ(def->created, 1);
  ASSERT_NE(def->image, nullptr);
  EXPECT_EQ(GFX_MaterialBind(def), 1);
  EXPECT_NE(def->image, nullptr);
  std::vector<std::uint8_t> t = TextureRgba(def);
  EXPECT_EQ(t.size(), 256u * 256u * 4u);
  EXPECT_EQ(t[12345], 255);
  GFX_MaterialDelete(def);
}

GFX_Material* Pattern(int w, int h) {
  GFX_Material* m = GFX_MaterialNew(w, h, IMG_RGB);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      std::uint8_t* p = m->image->data + (y * w + x) * 3;
      p[0] = std::uint8_t(x);
      p[1] = std::uint8_t(y);
      p[2] = std::uint8_t((x >> 8) * 64 + (y >> 8) * 128 + 20);
    }
  return m;
}

TEST_F(GfxTexture, FullScreenPictureCoversTheScreenExactly) {
  GFX_Material* source = Pattern(640, 480);
  GFX_Picture* p = GFX_PictureFromMaterial(source);
  ASSERT_NE(p, nullptr);
  for (int t = 0; t < p->tileCount; t++) {
    EXPECT_EQ(p->materials[t]->created, 1);
    EXPECT_EQ(p->materials[t]->image, nullptr);
  }
  EXPECT_EQ(GFX_ogl.filter, 1);
  GFX_OglBindRaw(p->materials[0]->texture);
  EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(GFX_PictureDraw(0.0f, 0.0f, p), 1);
  std::vector<std::uint8_t> frame = vt::GlReadRgb();
  int wrong = 0;
  for (std::size_t i = 0; i < frame.size(); i++) wrong += frame[i] != source->image->data[i];
  EXPECT_EQ(wrong, 0);
  GFX_PictureDelete(p);
  GFX_MaterialDelete(source);
}

TEST_F(GfxTexture, SmallPictureLandsAtTheTopLeft) {
  glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
  GFX_BeginFrame();
  GFX_Material* source = Pattern(100, 50);
  GFX_Picture* p = GFX_PictureFromMaterial(source);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(GFX_PictureDraw(0.0f, 0.0f, p), 1);
  std::vector<std::uint8_t> frame = vt::GlReadRgb();
  int wrong = 0;
  for (int y = 0; y < 60; y++)
    for (int x = 0; x < 110; x++) {
      const std::uint8_t* got = &frame[(std::size_t(y) * 640 + x) * 3];
      const std::uint8_t blue[3] = {0, 0, 255};
      const std::uint8_t* want = (x < 100 && y < 50) ? source->image->data + (y * 100 + x) * 3 : blue;
      wrong += std::memcmp(got, want, 3) != 0;
    }
  EXPECT_EQ(wrong, 0);
  GFX_PictureDelete(p);
  GFX_MaterialDelete(source);
}

}  // namespace
