// KRM scene files: written with the tools' writer and read back, the header and chunk rules,
// texture paths, packed files, krm-info's lines, and damaged files of every kind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/kr_krm.h"
#include "engine/kr_memory.h"
#include "gfx/gfx_material.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"
#include "tools/tool_bytes.h"
#include "tools/tool_krm_write.h"
#include "tools/tool_pack.h"
#include "tools/tool_scene_info.h"

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

KR_Scene* LoadBytes(const vt::TempDir& dir, const std::vector<std::uint8_t>& bytes, const char* texdir = nullptr,
                    const char* name = "t") {
  std::string path = dir.file("scene.krm");
  vt::WriteFile(path, bytes);
  return KR_ImpLoadKrm(path.c_str(), texdir, name);
}

std::string Info(const KR_Scene* s) {
  return vt::Captured([s](std::FILE* f) { TOOL_PrintKrmInfo(f, s); });
}

TOOL_KrmMesh Triangle(const std::string& name, int material = 0) {
  TOOL_KrmMesh m;
  m.name = name;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.polys = {{material, {{0, 0.0f, 0.0f}, {1, 1.0f, 0.0f}, {2, 0.0f, 1.0f}}, 0}};
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

  TOOL_KrmMesh box;
  box.name = "box";
  box.flags = 0x04 | 0x08;
  box.rotation = {0, 1, 0, -1, 0, 0, 0, 0, 1};
  box.translation = {5, 6, 7};
  box.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  box.polys = {{1, {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}}, 0}, {5, {{0, 0.5f, 0.5f}, {3, 0, 0}, {2, 1, 1}}, 0}};
  s.meshes.push_back(box);

  TOOL_KrmMesh ground = Triangle("ground", 2);
  ground.flags = 0x10;
  ground.translation = {10, 0, 0};
  s.meshes.push_back(ground);

  TOOL_KrmMesh skin = Triangle("skin");
  skin.flags = 0x01 | 0x02;
  skin.bones = {"hip", "knee"};
  skin.weights = {{{1, 0.25f, {1, 2, 3}}, {0, 0.75f, {4, 5, 6}}}, {{0, 0.0f, {7, 8, 9}}, {1, 0.0f, {0, 0, 0}}}, {}};
  skin.polys[0].smoothing = 5;
  s.meshes.push_back(skin);
  return s;
}

TEST(Krm, WrittenSceneReadsBackAsDescribed) {
  vt::TempDir dir;
  vt::ErrorLog log;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(Sample()), nullptr, "fan"));
  ASSERT_NE(s.s, nullptr);
  EXPECT_STREQ(s->name, "fan");
  ASSERT_EQ(s->materialCount, 3);
  ASSERT_EQ(s->lightCount, 2);
  ASSERT_EQ(s->cameraCount, 1);
  ASSERT_EQ(s->meshCount, 3);

  const GFX_Material* plain = s->materials[0];
  EXPECT_STREQ(plain->name, ".255");
  EXPECT_EQ(plain->kind, GFX_KIND_ADD_OPACITY);
  EXPECT_EQ(plain->opacity, 0.5f);
  EXPECT_EQ(plain->colourA[1], 0.2f);
  EXPECT_EQ(plain->colourA[3], 1.0f);
  EXPECT_EQ(plain->colourB[2], 0.6f);
  EXPECT_EQ(plain->colourB[3], 1.0f);
  ASSERT_NE(plain->image, nullptr);
  EXPECT_EQ(plain->image->data[2], 255);  // the colour number 255 is pure blue
  EXPECT_EQ(s->materials[1]->kind, GFX_KIND_ALPHA_OPACITY);
  EXPECT_EQ(s->materials[2]->kind, GFX_KIND_OPAQUE);

  const KR_Light* sun = s->lights[0];
  EXPECT_STREQ(sun->name, "sun");
  EXPECT_TRUE(vt::VecNear(sun->position, 1, 2, 3));
  EXPECT_TRUE(vt::VecNear(sun->basePosition, 1, 2, 3));
  EXPECT_EQ(sun->colour[1], 0.6f);
  EXPECT_EQ(sun->colour[3], 0.0f);
  EXPECT_EQ(sun->rangeMode, 1);
  EXPECT_EQ(sun->range2, 1600.0f);
  EXPECT_EQ(sun->isStatic, 1);
  EXPECT_EQ(s->lights[1]->rangeMode, 0);  // the range is there but its flag is not
  EXPECT_EQ(s->lights[1]->isStatic, 0);

  const KR_Camera* cam = s->cameras[0];
  EXPECT_STREQ(cam->name, "cam");
  EXPECT_TRUE(vt::VecNear(cam->position, 0, 1, -10));
  EXPECT_EQ(cam->roll, 0.25f);
  EXPECT_EQ(cam->fov, 45.0f);

  const KR_Mesh* box = s->meshes[0];
  EXPECT_EQ(box->dynamic, 1);
  EXPECT_EQ(box->castsShadows, 1);
  EXPECT_EQ(box->lightmapped, 1);
  EXPECT_EQ(box->blended, 0);
  EXPECT_EQ(box->smooth, 1);  // normal generation always marks the mesh smooth
  EXPECT_EQ(box->vertexCount, 4);
  EXPECT_TRUE(vt::VecNear(box->vertices[2].position, 1, 1, 0));  // left in object space
  const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  for (int i = 0; i < 16; i++) EXPECT_EQ(box->defaultTransformation.m[i], expected[i]) << i;
  ASSERT_EQ(box->polyCount, 2);
  EXPECT_EQ(box->polys[0].cornerCount, 4);
  EXPECT_EQ(box->polys[0].material, s->materials[1]);
  EXPECT_EQ(box->polys[0].corners[2].vertex, &box->vertices[2]);
  EXPECT_EQ(box->polys[0].corners[2].u, 1.0f);
  EXPECT_EQ(box->polys[1].vertexIndex[1], 3);
  EXPECT_EQ(box->polys[1].corners[0].v, 0.5f);
  EXPECT_EQ(box->polys[1].material, nullptr);  // index 5 of 3 materials
  EXPECT_TRUE(log.Has("KR_SceneGetMaterial - material out of range (5)"));
  EXPECT_EQ(box->polys[0].isStatic, 0);
  EXPECT_EQ(box->edgeCount, 5);
  EXPECT_TRUE(vt::VecNear(box->polys[0].normal, 0, 0, 1));
  EXPECT_TRUE(vt::VecNear(box->box[1], 1, 1, 0));

  const KR_Mesh* skin = s->meshes[2];
  ASSERT_EQ(skin->blended, 1);
  ASSERT_EQ(skin->bnodeCount, 2);
  EXPECT_STREQ(skin->bnodes[1].name, "knee");
  const KR_MeshBlendVertex& v0 = skin->blendVertices[0];
  ASSERT_EQ(v0.weightCount, 2);
  EXPECT_EQ(v0.weights[0].boneIndex, 1);
  EXPECT_EQ(v0.weights[0].weight, 0.25f);
  EXPECT_TRUE(vt::VecNear(v0.weights[1].offset, 4, 5, 6));
  EXPECT_EQ(v0.weights[1].bone, nullptr);
  // No positive weight: the first one becomes 1.
  EXPECT_EQ(skin->blendVertices[1].weights[0].weight, 1.0f);
  EXPECT_EQ(skin->blendVertices[1].weights[1].weight, 0.0f);
  EXPECT_EQ(skin->blendVertices[2].weightCount, 0);
  EXPECT_EQ(skin->polys[0].smoothing, 5);
  EXPECT_EQ(skin->vertices[0].polyCount, 1);
  EXPECT_EQ(skin->polys[0].corners[0].normalRecord, &skin->normals[0]);
}

TEST(Krm, StaticMeshIsBakedIntoWorldSpace) {
  vt::TempDir dir;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(Sample())));
  const KR_Mesh* ground = s->meshes[1];
  EXPECT_EQ(ground->dynamic, 0);
  EXPECT_TRUE(vt::VecNear(ground->vertices[0].position, 10, 0, 0));
  EXPECT_TRUE(vt::VecNear(ground->vertices[2].position, 10, 1, 0));
  KR_Matrix identity;
  KR_MatIdentity(&identity);
  for (int i = 0; i < 16; i++) EXPECT_EQ(ground->defaultTransformation.m[i], identity.m[i]);
  EXPECT_EQ(ground->polys[0].isStatic, 1);
  EXPECT_EQ(ground->polys[0].material, s->materials[2]);
}

TEST(Krm, HeaderOnlyFileIsAnEmptyNamedScene) {
  vt::TempDir dir;
  TOOL_Bytes b;
  b.u16(0xBABE).u16(7).i32(-1).u32(0);
  ASSERT_EQ(b.data.size(), 12u);
  EXPECT_EQ(b.data[0], 0xBE);
  EXPECT_EQ(b.data[1], 0xBA);
  std::string path = dir.file("empty.krm");
  vt::WriteFile(path, b.data);
  Loaded s(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr));
  ASSERT_NE(s.s, nullptr);
  EXPECT_EQ(std::string(s->name), path);
  EXPECT_EQ(s->meshCount + s->lightCount + s->cameraCount + s->materialCount, 0);
  EXPECT_EQ(s->meshes, nullptr);
}

TEST(Krm, WrongMagicAndMissingFilesGiveNull) {
  vt::TempDir dir;
  vt::ErrorLog log;
  TOOL_Bytes b;
  b.u8(0xBA).u8(0xBE).u16(1).i32(0).u32(0);
  std::string path = dir.file("swapped.krm");
  vt::WriteFile(path, b.data);
  EXPECT_EQ(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - magic number mismatch (" + path + ")"));

  std::string missing = dir.file("missing.krm");
  EXPECT_EQ(KR_ImpLoadKrm(missing.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - unable to open (" + missing + ")"));

  // A header whose extension runs past the end.
  TOOL_Bytes cut;
  cut.u16(0xBABE).u16(1).i32(0).u32(100).u8(1);
  vt::WriteFile(path, cut.data);
  EXPECT_EQ(KR_ImpLoadKrm(path.c_str(), nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - header incomplete (" + path + ")"));
}

TEST(Krm, PackedFileLoadsTheSameScene) {
  vt::TempDir dir;
  auto bytes = TOOL_KrmWrite(Sample());
  vt::WriteFile(dir.file("plain.krm"), bytes);
  vt::WriteFile(dir.file("packed.krm"), TOOL_Pack(bytes));
  Loaded plain(KR_ImpLoadKrm(dir.file("plain.krm").c_str(), nullptr, "same"));
  Loaded packed(KR_ImpLoadKrm(dir.file("packed.krm").c_str(), nullptr, "same"));
  ASSERT_NE(plain.s, nullptr);
  ASSERT_NE(packed.s, nullptr);
  EXPECT_EQ(Info(plain.s), Info(packed.s));
  for (int m = 0; m < plain->meshCount; m++)
    for (int v = 0; v < plain->meshes[m]->vertexCount; v++) {
      const KR_Vector& a = plain->meshes[m]->vertices[v].position;
      EXPECT_TRUE(vt::VecNear(packed->meshes[m]->vertices[v].position, a.x, a.y, a.z, 0));
    }

  // A stray odd byte at the end of a packed file ends the chunk loop as it does a plain one.
  bytes.push_back(0x40);
  vt::WriteFile(dir.file("odd.krm"), TOOL_Pack(bytes));
  Loaded odd(KR_ImpLoadKrm(dir.file("odd.krm").c_str(), nullptr, "same"));
  ASSERT_NE(odd.s, nullptr);
  EXPECT_EQ(Info(odd.s), Info(plain.s));
}

TEST(Krm, TexturePathsJoinTheFolderExceptForColours) {
  vt::TempDir dir;
  vt::ErrorLog log;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(Sample()), "data\\3d\\fan\\textures\\"));
  EXPECT_STREQ(s->materials[0]->name, ".255");
  EXPECT_STREQ(s->materials[1]->name, "data\\3d\\fan\\textures\\\\wall.jpg");
  // A texture that cannot be loaded gets a white material of its own: the shared default keeps
  // its settings.
  GFX_Material* shared = GFX_MaterialDefault();
  EXPECT_NE(s->materials[1], shared);
  EXPECT_EQ(shared->kind, GFX_KIND_OPAQUE);
  EXPECT_EQ(shared->opacity, 1.0f);
  GFX_MaterialDelete(shared);
  ASSERT_NE(s->materials[1]->image, nullptr);
  EXPECT_EQ(s->materials[1]->image->data[0], 255);

  TOOL_KrmScene longer;
  longer.materials = {{std::string(200, 'a') + ".jpg"}};
  longer.meshes = {Triangle("t")};
  Loaded cut(LoadBytes(dir, TOOL_KrmWrite(longer), std::string(60, 'd').c_str()));
  EXPECT_EQ(cut->materialCount, 0);
  EXPECT_EQ(cut->meshCount, 0);  // loading ended with the material chunk
  EXPECT_TRUE(log.Has("KR_ImpLoadKrm - material chunk: texture path longer than 255 characters (" +
                      std::string(200, 'a') + ".jpg)"));
}

TEST(Krm, ChunkIdsAndRepeatedChunks) {
  vt::TempDir dir;
  TOOL_KrmScene first;
  first.materials = {{".16711680"}};
  first.lights = {{"old"}};
  first.meshes = {Triangle("early")};
  auto bytes = TOOL_KrmWrite(first);
  // Unknown ids are passed over two bytes at a time.
  TOOL_Bytes more;
  more.u16(0x0000).u16(0x1234).u16(0x2000).i32(0).i32(2).i32(3).u8(9).u8(9).u8(9);
  for (const char* name : {"new1", "new2"}) more.str(name).i32(0).vec3(0, 0, 0).vec3(0, 0, 0).f32(0).vec3(1, 1, 1).i32(0).i32(0).f32(0);
  more.u16(0x1000).i32(0).i32(1).i32(0).str(".255").i32(0).vec3(0, 0, 0).vec3(1, 1, 1).i32(0).f32(1);
  bytes.insert(bytes.end(), more.data.begin(), more.data.end());
  Loaded s(LoadBytes(dir, bytes));
  ASSERT_EQ(s->lightCount, 2);
  EXPECT_STREQ(s->lights[0]->name, "new1");
  EXPECT_STREQ(s->lights[1]->name, "new2");
  ASSERT_EQ(s->materialCount, 1);
  EXPECT_STREQ(s->materials[0]->name, ".255");
  // The mesh read before the second material chunk keeps its (first) material.
  ASSERT_EQ(s->meshCount, 1);
  ASSERT_NE(s->meshes[0]->polys[0].material, nullptr);
  EXPECT_STREQ(s->meshes[0]->polys[0].material->name, ".16711680");
  EXPECT_EQ(s->meshes[0]->polys[0].material->image->data[0], 255);
}

TEST(Krm, QuadMeshHasRoomForAllItsEdges) {
  vt::TempDir dir;
  vt::ErrorLog log;
  TOOL_KrmScene q;
  TOOL_KrmMesh quad;
  quad.name = "quad";
  quad.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  quad.polys = {{0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, 0}};
  q.meshes = {quad};
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(q)));
  ASSERT_EQ(s->meshCount, 1);
  EXPECT_EQ(s->meshes[0]->edgeCount, 4);
  EXPECT_TRUE(log.Has("quad edge: 3 usecount: 1\n"));
}

TEST(Krm, InfoLines) {
  vt::TempDir dir;
  TOOL_KrmScene small;
  small.materials = {{".255", 0, {0, 0, 0}, {1, 1, 1}, 2, 0.5f}};
  small.lights = {{"sun", 5, {1, 2, 3}, {0.5f, 1, 0}, 40}};
  small.cameras = {{"cam", 0, {0, 0, -5}, {0, 0, 1}, 0, 60}};
  small.meshes = {Triangle("tri")};
  small.meshes[0].flags = 0x04;
  Loaded s(LoadBytes(dir, TOOL_KrmWrite(small), nullptr, "small"));
  EXPECT_EQ(Info(s.s),
            "scene name=small materials=1 lights=1 cameras=1 meshes=1\n"
            "material index=0 name=.255 kind=4 opacity=0.5\n"
            "light index=0 name=sun position=1,2,3 colour=0.5,1,0 range_mode=1 range=40 static=1\n"
            "camera index=0 name=cam position=0,0,-5 target=0,0,1 roll=0 fov=60\n"
            "mesh index=0 name=tri vertices=3 polys=1 edges=3 open_edges=3 smooth=1 casts_shadows=1 lightmapped=0 "
            "dynamic=1 blended=0 bones=0\n");
}

// A scene whose good triangle comes before the record under test, in the same mesh chunk.
KR_Scene* LoadAfterGood(const vt::TempDir& dir, const TOOL_KrmMesh& bad) {
  TOOL_KrmScene s;
  s.meshes = {Triangle("good"), bad};
  return LoadBytes(dir, TOOL_KrmWrite(s));
}

TEST(KrmDamaged, BadCountsAndIndicesFailTheChunkKeepingWhatCameBefore) {
  vt::TempDir dir;
  struct Case {
    const char* message;
    TOOL_KrmMesh mesh;
  };
  std::vector<Case> cases;
  TOOL_KrmMesh five = Triangle("five");
  five.polys[0].corners.push_back({0, 0, 0});
  five.polys[0].corners.push_back({1, 0, 0});
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: corner count out of range (5)", five});
  TOOL_KrmMesh two = Triangle("two");
  two.polys[0].corners.pop_back();
  two.flags = 0x01;  // a skin section after it, so the polygon count still fits the file
  two.bones = {std::string(40, 'p')};
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: corner count out of range (2)", two});
  TOOL_KrmMesh far = Triangle("far");
  far.polys[0].corners[1].vertex = 3;
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: vertex index out of range (3)", far});
  TOOL_KrmMesh negative = Triangle("negative");
  negative.polys[0].corners[2].vertex = -1;
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: vertex index out of range (-1)", negative});
  TOOL_KrmMesh heavy = Triangle("heavy");
  heavy.flags = 0x01;
  heavy.bones = {"b"};
  heavy.weights = {std::vector<TOOL_KrmWeight>(11)};
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: weight count out of range (11)", heavy});
  TOOL_KrmMesh boneless = Triangle("boneless");
  boneless.flags = 0x01;
  boneless.bones = {"b"};
  boneless.weights = {{}, {{1, 1.0f, {0, 0, 0}}}};
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: bone index out of range (1)", boneless});
  TOOL_KrmMesh named = Triangle(std::string(300, 'n'));
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: name longer than 255 characters", named});
  TOOL_KrmMesh bone = Triangle("bone");
  bone.flags = 0x01;
  bone.bones = {std::string(256, 'b')};
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: name longer than 255 characters", bone});

  for (const Case& c : cases) {
    vt::ErrorLog log;
    Loaded s(LoadAfterGood(dir, c.mesh));
    ASSERT_NE(s.s, nullptr) << c.message;
    EXPECT_TRUE(log.Has(c.message)) << c.message;
    ASSERT_EQ(s->meshCount, 1) << c.message;
    EXPECT_STREQ(s->meshes[0]->name, "good");
    EXPECT_EQ(s->meshes[0]->edgeCount, 3);
  }
}

TEST(KrmDamaged, CountsThatCannotFitTheFileAreRefusedBeforeAllocating) {
  vt::TempDir dir;
  auto header = [] {
    TOOL_Bytes b;
    b.u16(0xBABE).u16(1).i32(0).u32(0);
    return b;
  };
  struct Case {
    const char* message;
    TOOL_Bytes bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: record count out of range (2147483647)",
                   header().u16(0x4000).i32(0).i32(0x7FFFFFFF).i32(0)});
  cases.push_back({"KR_ImpLoadKrm - light chunk: record count out of range (-3)", header().u16(0x2000).i32(0).i32(-3).i32(0)});
  cases.push_back({"KR_ImpLoadKrm - camera chunk: skip length out of range (-14)",
                   header().u16(0x3000).i32(0).i32(0).i32(-14)});
  cases.push_back({"KR_ImpLoadKrm - material chunk: skip length out of range (1000)",
                   header().u16(0x1000).i32(0).i32(0).i32(1000).u32(0)});
  TOOL_Bytes huge = header().u16(0x4000).i32(0).i32(1).i32(0).str("m").i32(0).i32(0x10000000).i32(0);
  for (int i = 0; i < 12; i++) huge.f32(0);
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: vertex count out of range (268435456)", huge});
  TOOL_Bytes polys = header().u16(0x4000).i32(0).i32(1).i32(0).str("m").i32(0).i32(0).i32(5);
  for (int i = 0; i < 12; i++) polys.f32(0);
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: polygon count out of range (5)", polys});
  TOOL_KrmScene skinned;
  skinned.meshes = {Triangle("s")};
  skinned.meshes[0].flags = 0x01;
  TOOL_Bytes bones;
  bones.raw(TOOL_KrmWrite(skinned));
  bones.data.resize(bones.data.size() - 3 * 4);  // no weight counts
  bones.data.resize(bones.data.size() - 4);      // nor the bone count
  bones.i32(0x40000000);
  cases.push_back({"KR_ImpLoadKrm - mesh chunk: bone count out of range (1073741824)", bones});

  for (const Case& c : cases) {
    vt::ErrorLog log;
    Loaded s(LoadBytes(dir, c.bytes.data));
    ASSERT_NE(s.s, nullptr) << c.message;
    EXPECT_TRUE(log.Has(c.message)) << c.message;
    EXPECT_EQ(s->meshCount, 0) << c.message;
  }
}

TEST(KrmDamaged, EveryTruncationLoadsSafely) {
  vt::TempDir dir;
  auto bytes = TOOL_KrmWrite(Sample());
  for (std::size_t n = 0; n < bytes.size(); n++) {
    vt::ErrorLog log;
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    KR_Scene* s = LoadBytes(dir, cut);
    if (n < 15) {
      EXPECT_EQ(s, nullptr) << n;  // no whole header
    } else {
      ASSERT_NE(s, nullptr) << n;
      EXPECT_LE(s->meshCount, 2) << n;
      // Every mesh kept is complete.
      for (int m = 0; m < s->meshCount; m++) EXPECT_GT(s->meshes[m]->edgeCount, 0) << n;
    }
    KR_SceneDelete(s);
  }
}

}  // namespace
