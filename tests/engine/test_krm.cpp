// KRM scene files: written with the tools' writer and read back, the header and chunk rules,
// texture paths, packed files, krm-info's lines, and damaged files of every kind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/kr_krm.h"
#include "gfx/gfx_material.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"
#include "tools/common/tool_bytes.h"
#include "tools/common/tool_krm_write.h"
#include "tools/common/tool_pack.h"
#include "tools/common/tool_scene_info.h"

namespace {

// Owns a loaded scene.
struct Loaded {
  KR_Scene* s;
  explicit Loaded(KR_Scene* scene) : s(scene) {}
  ~Loaded() { KR_SceneDelete(s); }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  KR_Scene* operator->() const { return s; }
};

KR_Scene* LoadBytes(const vt::TempDir& dir, const std::vector<std::uint8_t>& bytes, const char* texdir = nullptr) {
  std::string path = dir.file("scene.krm");
  vt::WriteFile(path, bytes);
  return KR_ImpLoadKrm(path.c_str(), texdir, "t");
}

std::string Info(const KR_Scene* s) {
  return vt::Captured([s](std::FILE* f) { TOOL_PrintKrmInfo(f, s); });
}

TOOL_KrmMesh Triangle(const std::string& name) {
  TOOL_KrmMesh m;
  m.name = name;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.polys = {{0, {{0, 0.0f, 0.0f}, {1, 1.0f, 0.0f}, {2, 0.0f, 1.0f}}, 0}};
  return m;
}

// One of everything the format has.
TOOL_KrmScene Sample() {
  TOOL_KrmScene s;
  s.extension = {1, 2, 3};
  s.materials = {{".255", 9, {0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}, 1, 0.5f},
                 {"wall.jpg", 0, {0, 0, 0}, {1, 1, 1}, 2, 0.25f},
                 {"floor.tga", 0, {0, 0, 0}, {1, 1, 1}, 7, 1.0f}};
  s.lights = {{"sun", 1 | 4, {1, 2, 3}, {0.5f, 0.6f, 0.7f}, 40.0f}, {"fill", 0, {0, 5, 0}, {1, 1, 1}, 99.0f}};
  s.cameras = {{"cam", 0, {0, 1, -10}, {0, 0, 0}, 0.25f, 45.0f}};
  TOOL_KrmMesh box = Triangle("box");
  box.flags = 0x04 | 0x08;
  box.rotation = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  box.translation = {5, 6, 7};
  box.polys.push_back({5, {{0, 0.5f, 0.5f}, {2, 0, 0}, {1, 1, 1}}, 0});
  TOOL_KrmMesh ground;  // one quad: more edges than three per polygon
  ground.name = "ground";
  ground.flags = 0x10;
  ground.translation = {10, 0, 0};
  ground.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  ground.polys = {{2, {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}}, 0}};
  TOOL_KrmMesh skin = Triangle("skin");
  skin.flags = 0x01 | 0x02;
  skin.bones = {"hip", "knee"};
  skin.weights = {{{1, 0.25f, {1, 2, 3}}, {0, 0.75f, {4, 5, 6}}}, {{0, 0.0f, {7, 8, 9}}, {1, 0.0f, {0, 0, 0}}}, {}};
  skin.polys[0].smoothing = 5;
  s.meshes = {box, ground, skin};
  return s;
}

TEST(Krm, WrittenSceneReadsBackAsDescribed) {
  vt::TempDir dir;
  vt::ErrorLog log;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(Sample())));
  ASSERT_NE(s.s, nullptr);
  ASSERT_EQ(s->materialCount, 3);
  ASSERT_EQ(s->lightCount, 2);
  ASSERT_EQ(s->meshCount, 3);
  const GFX_Material* plain = s->materials[0];
  EXPECT_EQ(plain->kind, GFX_KIND_ADD_OPACITY);
  EXPECT_EQ(plain->opacity, 0.5f);
  EXPECT_EQ(plain->colourA[1], 0.2f);
  EXPECT_EQ(plain->image->data[2], 255);  // colour number 255 is pure blue
  EXPECT_EQ(s->materials[1]->kind, GFX_KIND_ALPHA_OPACITY);
  EXPECT_EQ(s->materials[2]->kind, GFX_KIND_OPAQUE);
  EXPECT_EQ(s->lights[0]->range2, 1600.0f);
  EXPECT_EQ(s->lights[0]->colour[3], 0.0f);
  EXPECT_EQ(s->lights[1]->rangeMode, 0);  // a range without its flag is not applied
  EXPECT_EQ(s->cameras[0]->roll, 0.25f);

  const KR_Mesh* box = s->meshes[0];
  EXPECT_TRUE(vt::VecNear(box->vertices[1].position, 1, 0, 0));  // left in object space
  const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  for (int i = 0; i < 16; i++) EXPECT_EQ(box->defaultTransformation.m[i], expected[i]) << i;
  EXPECT_EQ(box->polys[0].material, s->materials[0]);
  EXPECT_EQ(box->polys[1].corners[1].vertex, &box->vertices[2]);
  EXPECT_EQ(box->polys[1].corners[0].v, 0.5f);
  EXPECT_EQ(box->polys[1].material, nullptr);
  EXPECT_TRUE(log.Has("KR_SceneGetMaterial - material out of range (5)"));
  EXPECT_EQ(box->edgeCount, 3);
  EXPECT_EQ(box->castsShadows + box->lightmapped + box->dynamic + box->smooth, 4);

  // A static mesh is baked into world space and keeps the identity.
  const KR_Mesh* ground = s->meshes[1];
  EXPECT_EQ(ground->dynamic, 0);
  EXPECT_TRUE(vt::VecNear(ground->vertices[2].position, 11, 1, 0));
  for (int i = 0; i < 16; i++) EXPECT_EQ(ground->defaultTransformation.m[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
  EXPECT_EQ(ground->polys[0].isStatic, 1);
  EXPECT_EQ(ground->edgeCount, 4);

  const KR_Mesh* skin = s->meshes[2];
  ASSERT_EQ(skin->bnodeCount, 2);
  EXPECT_STREQ(skin->bnodes[1].name, "knee");
  const KR_MeshBlendVertex& v0 = skin->blendVertices[0];
  EXPECT_EQ(v0.weightCount, 2);
  EXPECT_EQ(v0.weights[0].boneIndex, 1);
  EXPECT_TRUE(vt::VecNear(v0.weights[1].offset, 4, 5, 6));
  // No positive weight: the first one becomes 1.
  EXPECT_EQ(skin->blendVertices[1].weights[0].weight, 1.0f);
  EXPECT_EQ(skin->polys[0].smoothing, 5);
  EXPECT_EQ(skin->vertices[0].polyCount, 1);
}

TEST(Krm, HeaderMagicAndMissingFiles) {
  vt::TempDir dir;
  vt::ErrorLog log;
  std::string path = dir.file("empty.krm");
  vt::WriteFile(path, TOOL_Bytes().u8(0xBE).u8(0xBA).u16(7).i32(-1).u32(0).data);
  Loaded s(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr));
  ASSERT_NE(s.s, nullptr);
  EXPECT_EQ(std::string(s->name), path);  // named after the file
  EXPECT_EQ(s->meshCount + s->lightCount + s->cameraCount + s->materialCount, 0);

  vt::WriteFile(path, TOOL_Bytes().u8(0xBA).u8(0xBE).u16(1).i32(0).u32(0).data);
  EXPECT_EQ(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - magic number mismatch (" + path + ")"));
  vt::WriteFile(path, TOOL_Bytes().u16(0xBABE).u16(1).i32(0).u32(100).u8(1).data);
  EXPECT_EQ(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - header incomplete (" + path + ")"));
  std::string missing = dir.file("missing.krm");
  EXPECT_EQ(KR_ImpLoadKrm(missing.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - unable to open (" + missing + ")"));
}

TEST(Krm, PackedFileLoadsTheSameScene) {
  vt::TempDir dir;
  auto bytes = TOOL_KrmWrite(Sample());
  Loaded plain(LoadBytes(dir, bytes));
  Loaded packed(LoadBytes(dir, TOOL_Pack(bytes)));
  ASSERT_NE(packed.s, nullptr);
  EXPECT_EQ(Info(plain.s), Info(packed.s));
  const KR_Vector& v = plain->meshes[1]->vertices[3].position;
  EXPECT_TRUE(vt::VecNear(packed->meshes[1]->vertices[3].position, v.x, v.y, v.z, 0));
  // A stray odd byte at the end of a packed file ends the chunk loop as in a plain one.
  bytes.push_back(0x40);
  Loaded odd(LoadBytes(dir, TOOL_Pack(bytes)));
  EXPECT_EQ(Info(odd.s), Info(plain.s));
}

TEST(Krm, TexturePathsJoinTheFolderExceptForColours) {
  vt::TempDir dir;
  vt::ErrorLog log;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(Sample()), "data\\3d\\fan\\textures\\"));
  EXPECT_STREQ(s->materials[0]->name, ".255");
  EXPECT_STREQ(s->materials[1]->name, "data\\3d\\fan\\textures\\\\wall.jpg");
  // A texture that cannot be loaded gets a white material of its own: the shared default
  // material keeps its kind and opacity.
  GFX_Material* shared = GFX_MaterialDefault();
  EXPECT_NE(s->materials[1], shared);
  EXPECT_EQ(shared->kind, GFX_KIND_OPAQUE);
  EXPECT_EQ(shared->opacity, 1.0f);
  GFX_MaterialDelete(shared);
  EXPECT_EQ(s->materials[1]->image->data[0], 255);

  TOOL_KrmScene longer;
  longer.materials = {{std::string(200, 'a')}};
  longer.meshes = {Triangle("t")};
  Loaded cut(LoadBytes(dir, TOOL_KrmWrite(longer), std::string(60, 'd').c_str()));
  EXPECT_EQ(cut->materialCount + cut->meshCount, 0);  // loading ends with the material chunk
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - material chunk: texture path longer than 255 characters (" +
                      std::string(200, 'a') + ")"));
}

TEST(Krm, UnknownIdsAreSkippedAndRepeatedChunksReplaceLists) {
  vt::TempDir dir;
  TOOL_KrmScene first;
  first.materials = {{".16711680"}};
  first.lights = {{"old"}};
  first.meshes = {Triangle("early")};
  TOOL_Bytes b;
  b.raw(TOOL_KrmWrite(first)).u16(0x0000).u16(0x1234);
  b.u16(0x2000).i32(0).i32(1).i32(3).u8(9).u8(9).u8(9);  // three bytes skipped
  b.str("new").i32(0).vec3(0, 0, 0).vec3(0, 0, 0).f32(0).vec3(1, 1, 1).i32(0).i32(0).f32(0);
  b.u16(0x1000).i32(0).i32(1).i32(0).str(".255").i32(0).vec3(0, 0, 0).vec3(1, 1, 1).i32(0).f32(1);
  Loaded s(LoadBytes(dir, b.data));
  ASSERT_EQ(s->lightCount, 1);
  EXPECT_STREQ(s->lights[0]->name, "new");
  ASSERT_EQ(s->materialCount, 1);
  EXPECT_STREQ(s->materials[0]->name, ".255");
  // The mesh read before the second material chunk keeps its (first, red) material.
  EXPECT_EQ(s->meshes[0]->polys[0].material->image->data[0], 255);
}

TEST(Krm, InfoLines) {
  vt::TempDir dir;
  TOOL_KrmScene small;
  small.materials = {{".255", 0, {0, 0, 0}, {1, 1, 1}, 2, 0.5f}};
  small.lights = {{"sun", 5, {1, 2, 3}, {0.5f, 1, 0}, 40}};
  small.cameras = {{"cam", 0, {0, 0, -5}, {0, 0, 1}, 0, 60}};
  small.meshes = {Triangle("tri")};
  small.meshes[0].flags = 0x04;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(small)));
  EXPECT_EQ(Info(s.s),
            "scene name=t materials=1 lights=1 cameras=1 meshes=1\n"
            "material index=0 name=.255 kind=4 opacity=0.5\n"
            "light index=0 name=sun position=1,2,3 colour=0.5,1,0 range_mode=1 range=40 static=1\n"
            "camera index=0 name=cam position=0,0,-5 target=0,0,1 roll=0 fov=60\n"
            "mesh index=0 name=tri vertices=3 polys=1 edges=3 open_edges=3 smooth=1 casts_shadows=1 lightmapped=0 "
            "dynamic=1 blended=0 bones=0\n");
}

TOOL_Bytes Header() { return TOOL_Bytes().u16(0xBABE).u16(1).i32(0).u32(0); }

// A mesh record's name, flags, counts and identity placement.
TOOL_Bytes& MeshHead(TOOL_Bytes& b, std::int32_t vertices, std::int32_t polys) {
  b.str("m").i32(0).i32(vertices).i32(polys);
  for (int i = 0; i < 12; i++) b.f32(i % 4 == 0 ? 1.0f : 0.0f);
  return b;
}

TEST(KrmDamaged, BadRecordsFailTheChunkKeepingCompleteMeshes) {
  vt::TempDir dir;
  std::vector<std::pair<std::string, TOOL_KrmMesh>> cases;
  auto add = [&cases](const std::string& message, auto change) {
    TOOL_KrmMesh m = Triangle("bad");
    change(m);
    cases.push_back({"KR_ImpLoadKrm - mesh chunk: " + message, m});
  };
  add("corner count out of range (5)", [](TOOL_KrmMesh& m) { m.polys[0].corners.resize(5); });
  add("corner count out of range (2)", [](TOOL_KrmMesh& m) {
    m.polys[0].corners.resize(2);
    m.flags = 0x01;  // a skin section after it keeps the polygon count within the file
    m.bones = {std::string(40, 'p')};
  });
  add("vertex index out of range (3)", [](TOOL_KrmMesh& m) { m.polys[0].corners[1].vertex = 3; });
  add("vertex index out of range (-1)", [](TOOL_KrmMesh& m) { m.polys[0].corners[2].vertex = -1; });
  add("weight count out of range (11)", [](TOOL_KrmMesh& m) {
    m.flags = 0x01;
    m.bones = {"b"};
    m.weights = {std::vector<TOOL_KrmWeight>(11)};
  });
  add("bone index out of range (1)", [](TOOL_KrmMesh& m) {
    m.flags = 0x01;
    m.bones = {"b"};
    m.weights = {{}, {{1, 1.0f, {0, 0, 0}}}};
  });
  add("name longer than 255 characters", [](TOOL_KrmMesh& m) { m.name = std::string(300, 'n'); });
  add("name longer than 255 characters", [](TOOL_KrmMesh& m) {
    m.flags = 0x01;
    m.bones = {std::string(256, 'b')};
  });
  for (const auto& [message, bad] : cases) {
    vt::ErrorLog log;
    TOOL_KrmScene s;
    s.meshes = {Triangle("good"), bad};
    Loaded loaded(LoadBytes(dir, TOOL_KrmWrite(s)));
    EXPECT_TRUE(log.Has(message)) << message;
    ASSERT_EQ(loaded->meshCount, 1) << message;
    EXPECT_EQ(loaded->meshes[0]->edgeCount, 3);
  }

  // Counts that cannot fit in the rest of the file are refused before anything is allocated.
  std::vector<std::pair<std::string, TOOL_Bytes>> counts;
  counts.push_back({"mesh chunk: record count out of range (2147483647)", Header().u16(0x4000).i32(0).i32(0x7FFFFFFF).i32(0)});
  counts.push_back({"camera chunk: skip length out of range (-14)", Header().u16(0x3000).i32(0).i32(0).i32(-14)});
  counts.push_back({"material chunk: skip length out of range (99)", Header().u16(0x1000).i32(0).i32(0).i32(99).u32(0)});
  TOOL_Bytes huge = Header().u16(0x4000).i32(0).i32(1).i32(0);
  counts.push_back({"mesh chunk: vertex count out of range (268435456)", MeshHead(huge, 0x10000000, 0)});
  TOOL_Bytes polys = Header().u16(0x4000).i32(0).i32(1).i32(0);
  counts.push_back({"mesh chunk: polygon count out of range (5)", MeshHead(polys, 0, 5)});
  TOOL_Bytes bones = Header().u16(0x4000).i32(0).i32(1).i32(0);
  counts.push_back({"mesh chunk: bone count out of range (1073741824)", MeshHead(bones, 0, 0)});
  bones.data[bones.data.size() - 60] = 0x01;  // the skinned flag
  counts.back().second = bones.i32(0x40000000);
  for (const auto& [message, bytes] : counts) {
    vt::ErrorLog log;
    Loaded loaded(LoadBytes(dir, bytes.data));
    ASSERT_NE(loaded.s, nullptr) << message;
    EXPECT_TRUE(log.Has("KR_ImpLoadKrm - " + message)) << message;
  }
}

TEST(KrmDamaged, EveryTruncationLoadsSafely) {
  vt::TempDir dir;
  auto bytes = TOOL_KrmWrite(Sample());
  for (std::size_t n = 0; n < bytes.size(); n++) {
    vt::ErrorLog log;
    KR_Scene* s = LoadBytes(dir, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
    EXPECT_EQ(s == nullptr, n < 15) << n;  // 15 bytes of header with its extension
    for (int m = 0; s && m < s->meshCount; m++) EXPECT_GT(s->meshes[m]->edgeCount, 0) << n;  // complete meshes only
    KR_SceneDelete(s);
  }
}

}  // namespace
