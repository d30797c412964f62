// Scenes drawn under Xvfb: a KRM scene's textures bound and its mesh rendered, culling
// against the view frustum, and the fog pass blending fogged polygons toward the fog colour.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/kr_fog.h"
#include "engine/kr_krm.h"
#include "engine/kr_mesh.h"
#include "gfx/gfx_driver.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/test_util.h"
#include "tools/common/tool_krm_write.h"

namespace {

using SceneRender = vt::GlTest;

// A textured square loaded from a KRM file is bound and drawn with its texture's colour.
TEST_F(SceneRender, LoadedSceneIsBoundAndDrawn) {
  vt::TempDir dir;
  std::filesystem::create_directory(dir.path / "tex");
  IMG_Image* image = IMG_ImageCreate(8, 8, IMG_RGB, 0);
  for (int i = 0; i < 8 * 8; i++) {
    image->data[3 * i] = 200;
    image->data[3 * i + 1] = 100;
    image->data[3 * i + 2] = 50;
  }
  ASSERT_EQ(IMG_TgaSave(dir.file("tex/paint.tga").c_str(), image), 1);
  IMG_ImageDelete(image);

  TOOL_KrmScene desc;
  desc.materials = {{"paint.tga"}};
  TOOL_KrmMesh square;
  square.name = "square";
  square.translation = {0, 0, 20};  // the default transformation puts it in front of the eye
  square.vertices = {{-10, 10, 0}, {10, 10, 0}, {10, -10, 0}, {-10, -10, 0}};
  square.polys = {{0, {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}}, 0}};
  desc.meshes = {square};
  ASSERT_TRUE(TOOL_KrmWriteFile(dir.file("s.krm"), desc));
  KR_Scene* s = KR_ImpLoadKrm(dir.file("s.krm").c_str(), dir.file("tex").c_str(), "s");
  ASSERT_NE(s, nullptr);
  GFX_Material* paint = s->materials[0];
  EXPECT_EQ(paint->image->width, 8);
  EXPECT_EQ(paint->created, 0);
  ASSERT_EQ(KR_BindMaterials(s), 1);
  EXPECT_EQ(paint->created, 1);
  EXPECT_EQ(paint->image, nullptr);  // dropped once the texture is made

  KR_Mesh* m = s->meshes[0];
  const float white[4] = {1, 1, 1, 1};
  KR_MeshPolySetColour(&m->polys[0], white);
  KR_MeshTransformDefault(m);
  ASSERT_EQ(KR_MeshTransform(m), 1);
  EXPECT_EQ(GFX_MeshOutsideFrustum(m, nullptr), 0);
  KR_MeshRender(m);
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(320, 240), 200, 100, 50));
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(5, 5), 0, 0, 0));
  KR_SceneDelete(s);
}

// Three triangles 10 ahead: one facing the eye, one facing away, and one facing the eye but
// wholly left of the view.
TEST_F(SceneRender, CullingByFacingAndFrustum) {
  KR_Mesh* m = vt::BuildMesh("cull",
                             {{0, 0, 10}, {0, 1, 10}, {1, 0, 10}, {-50, 0, 10}, {-50, 1, 10}, {-49, 0, 10}},
                             {{{0, 1, 2}}, {{0, 2, 1}}, {{3, 4, 5}}});
  KR_MeshGenerateNormals(m);
  KR_MeshGenerateEdges(m);
  KR_MeshTransformIdentity(m);
  KR_MeshTransform(m);
  KR_MeshPoly* list[4];
  const KR_Vector eye{0, 0, 0};
  EXPECT_EQ(KR_MeshCullGetFaces(m, list, &eye, 0), 3);
  EXPECT_EQ(list[3], nullptr);
  ASSERT_EQ(KR_MeshCullGetFaces(m, list, &eye, 2), 1);
  EXPECT_EQ(list[0], &m->polys[0]);
  EXPECT_EQ(list[1], nullptr);
  ASSERT_EQ(KR_MeshCullGetFaces(m, list, &eye, 1), 1);
  EXPECT_EQ(list[0], &m->polys[1]);

  // The split counts, per edge, the polygons that face the eye.
  for (int i = 0; i < m->edgeCount; i++) m->edges[i].shadowCount = m->edges[i].useCount;
  KR_MeshPoly* front[4];
  KR_MeshPoly* back[4];
  KR_MeshCullSplitFaces(m, front, back, &eye);
  EXPECT_EQ(front[0], &m->polys[0]);
  EXPECT_EQ(front[1], &m->polys[2]);  // no frustum test here
  EXPECT_EQ(front[2], nullptr);
  EXPECT_EQ(back[0], &m->polys[1]);
  EXPECT_EQ(back[1], nullptr);
  EXPECT_EQ(m->polys[0].edges[0]->shadowCount, 1);  // shared by the pair
  EXPECT_EQ(m->polys[2].edges[0]->shadowCount, 1);
  KR_MeshDelete(m);
}

// A camera-space quad 20 units ahead, drawn blue, then its fog pass for one red volume.
vt::Rgba FoggedQuad(KR_Vector centre, float radius, float density, float* alpha) {
  vt::GlReset();
  KR_Mesh* quad = vt::BuildMesh("quad", {{-10, 10, 20}, {10, 10, 20}, {10, -10, 20}, {-10, -10, 20}}, {{{0, 1, 2, 3}}});
  KR_MeshTransformIdentity(quad);
  KR_MeshTransform(quad);
  const float blue[4] = {0, 0, 1, 1}, red[4] = {1, 0, 0, 1};
  KR_MeshPolySetColour(&quad->polys[0], blue);
  GFX_Disable(GFX_TEXTURE);
  KR_MeshRender(quad);
  vt::Fog fog(centre, radius, density);
  FOG_VolumeSetColour(fog.v, red);
  FOG_MeshClear(quad);
  FOG_MeshApply(quad, fog.v, &quad->transformation);
  EXPECT_EQ(FOG_MeshRender(quad), 1);
  *alpha = quad->polys[0].corners[0].colour[3];
  KR_MeshDelete(quad);
  return vt::GlPixel(320, 240);
}

TEST_F(SceneRender, FoggedPolygonIsBlendedTowardTheFogColour) {
  float alpha;
  // A sphere around the eye: each corner's whole sight line (about 24.5 units) is inside,
  // a little over half fogged.
  vt::Rgba half = FoggedQuad({0, 0, 0}, 100, 0.5f / 21.0f, &alpha);
  EXPECT_NEAR(alpha, 24.495f * 0.5f / 21.0f, 1e-3f);
  EXPECT_TRUE(vt::RgbNear(half, int(255 * alpha + 0.5f), 0, int(255 * (1 - alpha) + 0.5f), 3));
  EXPECT_TRUE(vt::RgbNear(vt::GlPixel(5, 5), 0, 0, 0));  // nothing drawn outside the quad
  // The pass leaves texturing on and blending off.
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  // Saturated fog clamps to opaque.
  EXPECT_TRUE(vt::RgbNear(FoggedQuad({0, 0, 0}, 100, 10.0f, &alpha), 255, 0, 0));
  EXPECT_EQ(alpha, 1.0f);
  // No fog on any corner: the polygon is not drawn.
  EXPECT_TRUE(vt::RgbNear(FoggedQuad({500, 0, 0}, 10, 1.0f, &alpha), 0, 0, 255));
  EXPECT_EQ(alpha, 0.0f);
}

}  // namespace
