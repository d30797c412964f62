// KRK keyframe files: written with the tools' writer and read back, packed keys, the version
// rule, krk-info's lines, damaged files, and a KRM scene animated by its KRK file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/kr_krk.h"
#include "engine/kr_krm.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"
#include "tools/tool_bytes.h"
#include "tools/tool_krk_write.h"
#include "tools/tool_krm_write.h"
#include "tools/tool_pack.h"
#include "tools/tool_scene_info.h"

namespace {

struct LoadedKf {
  KR_KfScene* s;
  explicit LoadedKf(KR_KfScene* kf) : s(kf) {}
  ~LoadedKf() { KR_KfSceneDelete(s); }
  LoadedKf(const LoadedKf&) = delete;
  LoadedKf& operator=(const LoadedKf&) = delete;
  KR_KfScene* operator->() const { return s; }
};

KR_KfScene* LoadBytes(const vt::TempDir& dir, const std::vector<std::uint8_t>& bytes, const char* name = "kf") {
  std::string path = dir.file("anim.krk");
  vt::WriteFile(path, bytes);
  return KR_ImpLoadKrk(path.c_str(), name);
}

TOOL_KrkScene Sample() {
  TOOL_KrkScene s;
  s.extension = {7, 7};
  TOOL_KrkNode mover;
  mover.name = "box";
  mover.hasPosition = true;
  mover.position = {{0, {0, 0, 0}}, {10, {10, 20, 30}}};
  TOOL_KrkNode spinner;
  spinner.name = "spin";
  spinner.hasRotation = true;
  spinner.rotation = {{0, true, {1, 0, 0, 0, 1, 0, 0, 0, 1}}, {20, false, {0, 1, 0, -1, 0, 0, 0, 0, 1}},
                      {30, true, {-1, 0, 0, 0, -1, 0, 0, 0, 0.5f}}};
  spinner.hasPosition = true;
  spinner.position = {{5, {1, 1, 1}}};
  TOOL_KrkNode still;
  still.name = "cam.Target";
  s.nodes = {mover, spinner, still};
  return s;
}

TEST(Krk, WrittenKeysReadBack) {
  vt::TempDir dir;
  vt::ErrorLog log;
  LoadedKf kf(LoadBytes(dir, TOOL_KrkWrite(Sample()), "anim"));
  ASSERT_NE(kf.s, nullptr);
  EXPECT_STREQ(kf->name, "anim");
  ASSERT_EQ(kf->nodeCount, 3);
  const KR_Node* box = kf->nodes[0];
  EXPECT_STREQ(box->name, "box");
  EXPECT_EQ(box->hasRotation, 0);
  ASSERT_EQ(box->hasPosition, 1);
  ASSERT_EQ(box->position.count, 2);
  EXPECT_EQ(box->position.keys[1].time, 10.0f);
  EXPECT_TRUE(vt::VecNear(box->position.keys[1].value, 10, 20, 30));
  EXPECT_EQ(box->position.length, 10.0f);

  const KR_TrackMatRot& r = kf->nodes[1]->rotation;
  ASSERT_EQ(r.count, 3);
  // Packed elements are 8.8 fixed point: 256 is 1.0 and -256 is -1.0.
  EXPECT_TRUE(vt::VecNear(r.keys[0].row0, 1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[0].row2, 0, 0, 1, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[1].row1, -1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[2].row0, -1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[2].row2, 0, 0, 0.5f, 0));
  EXPECT_EQ(r.keys[2].time, 30.0f);
  EXPECT_EQ(kf->nodes[1]->position.count, 1);
  EXPECT_EQ(kf->nodes[2]->hasRotation + kf->nodes[2]->hasPosition, 0);
  EXPECT_TRUE(log.messages.empty());

  // The track figures: 5 at 5, 10 at 10, 2 at 12 (12 loops to 2).
  KR_Node* mover = kf->nodes[0];
  KR_NodeUpdate(mover, 5);
  EXPECT_EQ(mover->matrix.m[12], 5.0f);
  KR_NodeUpdate(mover, 10);
  EXPECT_EQ(mover->matrix.m[12], 10.0f);
  KR_NodeUpdate(mover, 12);
  EXPECT_FLOAT_EQ(mover->matrix.m[12], 2.0f);
  KR_NodeUpdate(mover, -4);
  EXPECT_EQ(mover->matrix.m[12], 0.0f);
  // A node with flags 0 evaluates to the identity; a one-key track to its key.
  KR_KfSceneUpdate(kf.s, 25);
  for (int i = 0; i < 16; i++) EXPECT_EQ(kf->nodes[2]->matrix.m[i], i % 5 == 0 ? 1.0f : 0.0f);
  EXPECT_TRUE(vt::VecNear({kf->nodes[1]->matrix.m[12], kf->nodes[1]->matrix.m[13], kf->nodes[1]->matrix.m[14]}, 1, 1, 1));
  EXPECT_FLOAT_EQ(kf->nodes[1]->matrix.m[0], -0.5f);
}

TEST(Krk, VersionMagicAndMissingFiles) {
  vt::TempDir dir;
  vt::ErrorLog log;
  TOOL_KrkScene other = Sample();
  other.version = 0x0101;
  EXPECT_EQ(LoadBytes(dir, TOOL_KrkWrite(other)), nullptr);
  EXPECT_TRUE(log.messages.empty());  // another version fails without a word

  auto bytes = TOOL_KrkWrite(Sample());
  bytes[0] = 0xDE;
  bytes[1] = 0xAD;
  EXPECT_EQ(LoadBytes(dir, bytes), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrk - magic number mismatch (" + dir.file("anim.krk") + ")"));
  EXPECT_EQ(KR_ImpLoadKrk(dir.file("none.krk").c_str(), nullptr), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrk - unable to open (" + dir.file("none.krk") + ")"));

  // Named after the file when no name is given.
  std::string path = dir.file("anim.krk");
  vt::WriteFile(path, TOOL_KrkWrite(Sample()));
  LoadedKf kf(KR_ImpLoadKrk(path.c_str(), nullptr));
  EXPECT_EQ(std::string(kf->name), path);
}

TEST(Krk, OnlyTheFirstNodesChunkIsRead) {
  vt::TempDir dir;
  TOOL_Bytes b;
  b.u16(0xDEAD).u16(0x0100).i32(0).u32(0);
  b.u16(0x2222).u16(0x0001);  // passed over
  b.u16(0x1000).i32(0).i32(1).i32(2).u8(0).u8(0).str("first").i32(0);
  b.u16(0x1000).i32(0).i32(1).i32(0).str("second").i32(0);
  LoadedKf kf(LoadBytes(dir, b.data));
  ASSERT_EQ(kf->nodeCount, 1);
  EXPECT_STREQ(kf->nodes[0]->name, "first");

  // Packed, the same.
  std::string packed = dir.file("packed.krk");
  vt::WriteFile(packed, TOOL_Pack(b.data));
  LoadedKf again(KR_ImpLoadKrk(packed.c_str(), "kf"));
  ASSERT_EQ(again->nodeCount, 1);
  EXPECT_STREQ(again->nodes[0]->name, "first");
}

TEST(Krk, InfoLines) {
  vt::TempDir dir;
  LoadedKf kf(LoadBytes(dir, TOOL_KrkWrite(Sample()), "anim"));
  EXPECT_EQ(vt::Captured([&kf](std::FILE* f) { TOOL_PrintKrkInfo(f, kf.s); }),
            "kfscene name=anim nodes=3\n"
            "node index=0 name=box rotation_keys=0 position_keys=2\n"
            "node index=1 name=spin rotation_keys=3 position_keys=1\n"
            "node index=2 name=cam.Target rotation_keys=0 position_keys=0\n");
}

TEST(KrkDamaged, BadCountsAndTruncationsKeepCompleteNodesOnly) {
  vt::TempDir dir;
  auto header = [] {
    TOOL_Bytes b;
    b.u16(0xDEAD).u16(0x0100).i32(0).u32(0);
    return b;
  };
  struct Case {
    const char* message;
    TOOL_Bytes bytes;
    int nodes;
  };
  std::vector<Case> cases;
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: node count out of range (2147483647)",
                   header().u16(0x1000).i32(0).i32(0x7FFFFFFF).i32(0), 0});
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: skip length out of range (-14)", header().u16(0x1000).i32(0).i32(0).i32(-14), 0});
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: key count out of range (1000000)",
                   header().u16(0x1000).i32(0).i32(2).i32(0).str("ok").i32(0).str("n").i32(2).i32(1000000).i32(0), 1});
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: key count out of range (-1)",
                   header().u16(0x1000).i32(0).i32(1).i32(0).str("n").i32(1).i32(-1).i32(0), 0});
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: name longer than 255 characters",
                   header().u16(0x1000).i32(0).i32(1).i32(0).str(std::string(400, 'x')).i32(0), 0});
  cases.push_back({"KR_ImpLoadKrk - nodes chunk: file ends inside a record",
                   header().u16(0x1000).i32(0).i32(2).i32(0).str("ok").i32(0).str("n").i32(1).i32(1).i32(0).i32(3).i32(0)
                       .f32(1).f32(0).f32(0).f32(0).f32(1),
                   1});
  for (const Case& c : cases) {
    vt::ErrorLog log;
    LoadedKf kf(LoadBytes(dir, c.bytes.data));
    ASSERT_NE(kf.s, nullptr) << c.message;
    EXPECT_TRUE(log.Has(c.message)) << c.message;
    EXPECT_EQ(kf->nodeCount, c.nodes) << c.message;
  }

  auto bytes = TOOL_KrkWrite(Sample());
  for (std::size_t n = 0; n < bytes.size(); n++) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
    KR_KfScene* kf = LoadBytes(dir, cut);
    if (n < 14) {
      EXPECT_EQ(kf, nullptr) << n;
      continue;
    }
    ASSERT_NE(kf, nullptr) << n;
    EXPECT_LT(kf->nodeCount, 3) << n;
    KR_KfSceneUpdate(kf, 7);  // whatever was kept evaluates
    KR_KfSceneDelete(kf);
  }
}

TEST(Krk, AnimatesTheSceneOfItsKrmFile) {
  vt::TempDir dir;
  TOOL_KrmScene scene;
  TOOL_KrmMesh box;
  box.name = "box";
  box.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  box.polys = {{0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, 0}};
  scene.meshes = {box};
  scene.cameras = {{"cam"}};
  vt::WriteFile(dir.file("s.krm"), TOOL_KrmWrite(scene));
  vt::WriteFile(dir.file("s.krk"), TOOL_KrkWrite(Sample()));
  KR_Scene* s = KR_ImpLoadKrm(dir.file("s.krm").c_str(), nullptr, "s");
  KR_KfScene* kf = KR_ImpLoadKrk(dir.file("s.krk").c_str(), "s");
  ASSERT_NE(s, nullptr);
  ASSERT_NE(kf, nullptr);
  KR_SceneBindKfScene(s, kf);
  EXPECT_EQ(s->cameras[0]->node, nullptr);
  EXPECT_EQ(s->cameras[0]->targetNode, kf->nodes[2]);
  KR_KfSceneUpdate(kf, 2.5f);
  KR_SceneApplyKfScene(s);
  KR_Mesh* m = s->meshes[0];
  EXPECT_TRUE(vt::VecNear({m->transformation.m[12], m->transformation.m[13], m->transformation.m[14]}, 2.5f, 5, 7.5f));
  KR_MeshTransform(m);
  EXPECT_TRUE(vt::VecNear(m->vertices[1].tposition, 3.5f, 5, 7.5f));
  KR_SceneDelete(s);
  KR_KfSceneDelete(kf);
}

}  // namespace
