// Lightmaps: grouping and placement figures, lighting with shadows and the occluder walk, texel
// conversion, smoothing, the checks of the file loader, and the bake/save/load round trip
// (in process and through krtool lightmap-bake).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/kr_krm.h"
#include "engine/kr_scene.h"
#include "engine/lm_lightmap.h"
#include "gfx/gfx_material.h"
#include "gfx/img_image.h"
#include "tests/engine/scene_builders.h"
#include "tests/engine/shadow_scene.h"
#include "tests/support/test_util.h"
#include "tools/common/tool_krm_write.h"

namespace {

// A scene of one static lightmapped mesh (world space) and static white lights.
struct LmScene {
  KR_Scene* s = KR_SceneNew("lm");
  LmScene(const std::vector<KR_Vector>& vertices, const std::vector<vt::MeshPoly>& polys,
          const std::vector<KR_Vector>& lights = {}) {
    KR_Mesh* m = vt::BuildMesh("static", vertices, polys);
    m->dynamic = 0;
    m->lightmapped = 1;
    for (int i = 0; i < m->polyCount; i++) m->polys[i].isStatic = 1;
    KR_MeshGenerateNormals(m);
    KR_MeshGenerateBoundingBox(m);
    KR_MeshGenerateEdges(m);
    KR_SceneCreateMeshes(s, 1);
    KR_SceneAddMesh(s, m);
    KR_SceneCreateLights(s, int(lights.size()));
    for (const KR_Vector& at : lights) KR_SceneAddLight(s, vt::BuildLight(at, 1));
  }
  ~LmScene() { KR_SceneDelete(s); }
  KR_Mesh* mesh() const { return s->meshes[0]; }
};

// A floor of 30 x 250 units at z = 0 facing up (3 x 25 patches), and a 6 x 6 occluder 25 units
// above the point (20, 120).
const std::vector<KR_Vector> kFloorAndOccluder = {{0, 0, 0},     {30, 0, 0},    {30, 250, 0},  {0, 250, 0},
                                                  {17, 117, 25}, {23, 117, 25}, {23, 123, 25}, {17, 123, 25}};
const std::vector<vt::MeshPoly> kTwoQuads = {{{0, 1, 2, 3}}, {{4, 5, 6, 7}}};

const std::uint8_t* Texel(const LM_Map& map, int i, int j) { return map.material->image->data + 3 * (j * map.width + i); }

std::vector<std::pair<int, float>> g_progress;

bool Mentions(const vt::ErrorLog& log, const std::string& text) {
  for (const std::string& m : log.messages)
    if (m.rfind("LM_SceneLoad - ", 0) == 0 && m.find(text) != std::string::npos) return true;
  return false;
}

TEST(Lightmap, PlacementAndLightingFigures) {
  // One white light straight above the patch at (20, 100).
  LmScene scene(kFloorAndOccluder, kTwoQuads, {{20, 100, 50}});
  LM_Scene* lm = LM_SceneCreate(scene.s, 1);
  ASSERT_NE(lm, nullptr);
  ASSERT_EQ(lm->mapCount, 2);  // the occluder is 25 units off the floor's plane
  const LM_Map& floor = lm->maps[0];
  EXPECT_EQ(floor.usedWidth, 4);
  EXPECT_EQ(floor.usedHeight, 26);
  EXPECT_EQ(floor.width, 16);
  EXPECT_EQ(floor.height, 32);
  const KR_MeshPoly& quad = scene.mesh()->polys[0];
  EXPECT_EQ(quad.lightmap, floor.material);
  EXPECT_EQ(quad.corners[2].lu, 35.0f / 160.0f);  // (30 - 0 + 5) / (10 x 16)
  EXPECT_EQ(quad.corners[2].lv, 255.0f / 320.0f);
  EXPECT_TRUE(vt::VecNear(floor.corners[2], 160, 320, 0));
  EXPECT_TRUE(vt::VecNear(floor.patches[10 * 16 + 2].position, 20, 100, 0));
  EXPECT_EQ(floor.patches[26 * 16 + 4].valid, 1);  // one past the used area still counts
  EXPECT_EQ(floor.patches[27 * 16 + 4].valid, 0);

  EXPECT_EQ(lm->head->poly, &scene.mesh()->polys[0]);
  g_progress.clear();
  ASSERT_EQ(LM_SceneLight(lm, [](int light, float percent) { g_progress.push_back({light, percent}); }), 1);
  EXPECT_EQ(g_progress, (std::vector<std::pair<int, float>>{{0, 0.0f}, {0, 50.0f}}));
  // Exactly facing and unshadowed: the light's colour; white gives 204, no light 25.
  for (float c : floor.patches[10 * 16 + 2].colour) EXPECT_EQ(c, 1.0f);
  EXPECT_EQ(Texel(floor, 2, 10)[0], 204);
  EXPECT_EQ(Texel(floor, 10, 10)[1], 25);
  // The patch at (20, 140) sees the light through the occluder; the one at (20, 160) past it.
  EXPECT_EQ(floor.patches[14 * 16 + 2].colour[0], 0.0f);
  EXPECT_EQ(Texel(floor, 2, 14)[2], 25);
  EXPECT_EQ(Texel(floor, 2, 16)[0], 188);  // 50 / sqrt(60^2 + 50^2) + 0.1, times 255
  EXPECT_EQ(lm->head->poly, &scene.mesh()->polys[1]);  // the blocker moved to the front

  // Both fall-off modes fade linearly with distance.
  KR_Light* l = scene.s->lights[0];
  KR_LightSetRange(l, 2, 100);
  LM_MapLight(lm, 0, l);
  EXPECT_EQ(floor.patches[10 * 16 + 2].colour[0], 1.5f);
  EXPECT_EQ(LM_Texel(1.5f), 204);
  EXPECT_EQ(LM_Texel(-3.0f), 0);
  EXPECT_EQ(LM_Texel(NAN), 0);
  LM_SceneDelete(lm);
  EXPECT_EQ(quad.lightmap, nullptr);  // nothing points at the released material
}

TEST(Lightmap, FirstEdgeLeaningOutOfThePlaneStartsAMap) {
  for (float degrees : {5.0f, 7.0f}) {
    const float lift = 10.0f * std::tan(degrees * 3.1415927f / 180.0f);
    // Both triangles face up; the second one's first edge climbs by `degrees`.
    LmScene scene({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {20, 0, 0}, {30, 0, lift}, {20, 10, 0}}, {{{0, 1, 2}}, {{3, 4, 5}}});
    LM_Scene* lm = LM_SceneCreate(scene.s, 1);
    ASSERT_NE(lm, nullptr);
    EXPECT_EQ(lm->mapCount, degrees < 5.7f ? 1 : 2) << degrees;
    LM_SceneDelete(lm);
  }
}

TEST(Lightmap, SmoothingAveragesInnerTexelsInPlace) {
  IMG_Image* image = IMG_ImageCreate(4, 4, IMG_RGB, 0);
  for (int i = 0; i < 16 * 3; i++) image->data[i] = std::uint8_t(i * 5);
  const std::vector<std::uint8_t> before(image->data, image->data + 48);
  LM_Smooth(image, 2, 4, 3);
  LM_Smooth(image, 4, 2, 3);
  EXPECT_EQ(std::vector<std::uint8_t>(image->data, image->data + 48), before);  // no inner texel
  LM_Smooth(image, 4, 3, 1);
  // (1, 1) from its original neighbours; (2, 1) already sees the new (1, 1).
  const int first = (before[3] + before[27] + before[12] + before[18]) / 4;
  EXPECT_EQ(image->data[15], first);
  EXPECT_EQ(image->data[18], (before[6] + before[30] + first + before[21]) / 4);
  EXPECT_EQ(image->data[27], before[27]);  // the last used row is an edge
  IMG_ImageDelete(image);
}

// The bytes of a lightmap file, field by field.
struct LmFile {
  std::vector<std::uint8_t> bytes;
  LmFile& put(std::uint32_t v, int n) {
    for (int i = 0; i < n; i++) bytes.push_back(std::uint8_t(v >> (8 * i)));
    return *this;
  }
  LmFile& i32(std::int32_t v) { return put(std::uint32_t(v), 4); }
  LmFile& f32(float f) { return put(std::bit_cast<std::uint32_t>(f), 4); }
  LmFile& header(int maps) { return put(0xBEEF, 2).put(0x100, 2).i32(0).i32(0).i32(maps); }
  // The head of a map, then `polys` records of polygon 0 with three corners.
  LmFile& map(int mesh, int w, int h, int uw, int uh, int polys = 1) {
    i32(mesh).i32(w).i32(h).i32(uw).i32(uh).i32(polys);
    for (int p = 0; p < polys; p++) i32(0).i32(3).f32(0.25f).f32(0.5f).f32(0.75f).f32(0.5f).f32(0.5f).f32(1);
    return *this;
  }
  LmFile& texels(int n) {
    for (int i = 0; i < n; i++) bytes.push_back(std::uint8_t(i));
    return *this;
  }
};

TEST(Lightmap, LoaderChecksEveryFieldBeforeUse) {
  vt::TempDir dir;
  const std::string path = dir.file("t.lm");
  LmScene scene({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}, {{{0, 1, 2}}});
  KR_MeshPoly& tri = scene.mesh()->polys[0];
  auto load = [&](const LmFile& f, int passes = 1) {
    vt::WriteFile(path, f.bytes);
    return LM_SceneLoad(scene.s, path.c_str(), 1, passes);
  };

  ASSERT_EQ(load(LmFile().header(1).map(0, 16, 16, 2, 2).texels(12)), 1);
  ASSERT_EQ(scene.s->lightmapCount, 1);
  EXPECT_EQ(tri.lightmap, scene.s->lightmaps[0]);
  EXPECT_EQ(tri.corners[1].lu, 0.75f);
  EXPECT_EQ(tri.corners[2].lv, 1.0f);
  const IMG_Image* image = scene.s->lightmaps[0]->image;
  EXPECT_EQ(image->width, 16);
  EXPECT_EQ(image->data[16 * 3 + 3 + 2], 11);  // row 1 of the block lands in image row 1

  struct Bad {
    const char* why;
    LmFile file;
    const char* message;
  };
  const Bad bad[] = {
      {"EF BE swapped", LmFile().put(0xEFBE, 2).put(0x100, 2).i32(0).i32(0).i32(0), "magic number mismatch"},
      {"header cut short", LmFile().put(0xBEEF, 2).put(0x100, 2), "magic number mismatch"},
      {"more maps than bytes", LmFile().header(1000), "map count out of range"},
      {"negative mesh index", LmFile().header(1).map(-1, 16, 16, 1, 1).texels(3), "mesh index out of range"},
      {"used width past the texture", LmFile().header(1).map(0, 16, 16, 17, 1).texels(51), "used size out of range"},
      {"used height past the texture", LmFile().header(1).map(0, 16, 16, 1, 17).texels(51), "used size out of range"},
      {"texture too large", LmFile().header(1).map(0, 1 << 20, 16, 1, 1).texels(3), "texture size out of range"},
      {"polygon count", LmFile().header(1).i32(0).i32(16).i32(16).i32(0).i32(0).i32(99999), "polygon count out of range"},
      {"polygon index", LmFile().header(1).i32(0).i32(16).i32(16).i32(0).i32(0).i32(1).i32(1).i32(3),
       "polygon index out of range"},
      {"corner count", LmFile().header(1).i32(0).i32(16).i32(16).i32(0).i32(0).i32(1).i32(0).i32(4), "corner count differs"},
      {"cut in the corners", LmFile().header(1).i32(0).i32(16).i32(16).i32(0).i32(0).i32(1).i32(0).i32(3).f32(9),
       "file ends inside a polygon"},
      {"cut in the texels", LmFile().header(1).map(0, 16, 16, 4, 4).texels(47), "file ends inside the texels"},
  };
  for (const Bad& b : bad) {
    vt::ErrorLog log;
    EXPECT_EQ(load(b.file), 0) << b.why;
    EXPECT_TRUE(Mentions(log, b.message)) << b.why;
    EXPECT_EQ(tri.corners[2].lv, 1.0f) << b.why;  // a polygon read only in part keeps its values
  }
  // Maps before the fault stay; the earlier load's lightmaps are released, not left dangling.
  EXPECT_EQ(load(LmFile().header(3).map(0, 16, 16, 0, 0).map(0, 32, 32, 0, 0, 0).i32(7)), 0);
  EXPECT_EQ(scene.s->lightmapCount, 2);
  EXPECT_EQ(tri.lightmap, scene.s->lightmaps[0]);
  {
    vt::ErrorLog log;
    EXPECT_EQ(LM_SceneLoad(scene.s, dir.file("missing.lm").c_str(), 1, 0), 0);
    EXPECT_TRUE(Mentions(log, "unable to open"));
  }
}

// A static lightmapped floor with a box standing on it and a static light, as a KRM file.
std::string WriteBakeScene(const vt::TempDir& dir) {
  TOOL_KrmScene desc;
  desc.materials = {{".16777215"}};
  desc.lights = {{"lamp", KR_KRM_LIGHT_STATIC, {-20, 60, 15}, {1, 0.8f, 0.6f}, 0}};
  TOOL_KrmMesh floor, box;
  floor.name = "floor", box.name = "box";
  floor.flags = box.flags = KR_KRM_LIGHTMAPPED | KR_KRM_STATIC;
  floor.vertices = {{-50, 0, -50}, {-50, 0, 50}, {50, 0, 50}, {50, 0, -50}};
  floor.polys = {{0, {{0}, {1}, {2}, {3}}}};
  for (int i = 0; i < 8; i++) box.vertices.push_back({i & 1 ? 10.f : -10.f, i & 2 ? 20.f : 0.5f, i & 4 ? 10.f : -10.f});
  for (const auto& f : {std::array{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}})
    box.polys.push_back({0, {{f[0]}, {f[1]}, {f[2]}, {f[3]}}});
  desc.meshes = {floor, box};
  EXPECT_TRUE(TOOL_KrmWriteFile(dir.file("bake.krm"), desc));
  return dir.file("bake.krm");
}

TEST(Lightmap, BakeSaveLoadRoundTrip) {
  vt::TempDir dir;
  const std::string krm = WriteBakeScene(dir), lmPath = dir.file("bake.lm");
  KR_Scene* baked = KR_ImpLoadKrm(krm.c_str(), nullptr, nullptr);
  ASSERT_NE(baked, nullptr);
  for (int i = 0; i < baked->lightCount; i++) {
    KR_LightResetTransformation(baked->lights[i]);
    KR_LightApplyTransformation(baked->lights[i]);
  }
  LM_Scene* lm = LM_SceneCreate(baked, 1);
  ASSERT_NE(lm, nullptr);
  EXPECT_EQ(lm->mapCount, 7);  // the floor and the six faces of the box
  LM_SceneLight(lm, nullptr);
  ASSERT_EQ(LM_SceneSave(lmPath.c_str(), lm, 1), 1);

  // The tool bakes the same file from the same scene, with its progress on standard error.
  const std::string toolOut = dir.file("tool.lm"), err = dir.file("err");
  const std::string command = std::string(VELMAR_KRTOOL) + " lightmap-bake " + krm + " " + toolOut + " 2>" + err + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(vt::ReadFile(toolOut), vt::ReadFile(lmPath));
  const std::vector<std::uint8_t> said = vt::ReadFile(err);
  const std::string text(said.begin(), said.end());
  EXPECT_NE(text.find("lightmap-bake: light 0:   0%"), std::string::npos) << text;
  EXPECT_NE(text.find("lightmap-bake: done"), std::string::npos) << text;

  KR_Scene* loaded = KR_ImpLoadKrm(krm.c_str(), nullptr, nullptr);
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(LM_SceneLoad(loaded, lmPath.c_str(), 1, 0), 1);
  ASSERT_EQ(loaded->lightmapCount, lm->mapCount);
  bool shadowSeen = false;
  for (int j = 0; j < lm->mapCount; j++) {
    const LM_Map& map = lm->maps[j];
    const IMG_Image* got = loaded->lightmaps[j]->image;
    ASSERT_EQ(got->width, map.width);
    ASSERT_EQ(got->height, map.height);
    for (int y = 0; y < map.usedHeight; y++)
      ASSERT_EQ(0, std::memcmp(got->data + 3 * y * map.width, Texel(map, 0, y), 3 * map.usedWidth)) << j << " " << y;
    for (int k = 0; k < map.polyCount; k++) {
      const KR_MeshPoly& a = *map.pp[k];
      const KR_MeshPoly& b = loaded->meshes[map.meshIndex]->polys[map.pn[k]];
      EXPECT_EQ(b.lightmap, loaded->lightmaps[j]);
      for (int c = 0; c < a.cornerCount; c++) {
        EXPECT_EQ(a.corners[c].lu, b.corners[c].lu);
        EXPECT_EQ(a.corners[c].lv, b.corners[c].lv);
      }
    }
    if (j == 0)  // the floor: lit near the light's foot, dark in the box's shadow beyond it
      for (int i = 0; i < map.usedWidth; i++) shadowSeen |= Texel(map, i, map.usedHeight / 2)[0] == 25;
  }
  EXPECT_TRUE(shadowSeen);
  EXPECT_GT(Texel(lm->maps[0], 2, lm->maps[0].usedHeight / 2)[0], 100);
  LM_SceneDelete(lm);
  KR_SceneDelete(baked);
  KR_SceneDelete(loaded);
}

}  // namespace
