// KRK keyframe files: written with the tools' writer and read back, packed keys, the version
// rule, damaged files, and a KRM scene animated by its KRK file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/kr_krk.h"
#include "engine/kr_krm.h"
#include "tests/engine/scene_builders.h"
#include "tests/support/test_util.h"
#include "tools/common/tool_bytes.h"
#include "tools/common/tool_krk_write.h"
#include "tools/common/tool_krm_write.h"
#include "tools/common/tool_pack.h"

namespace {

KR_KfScene* LoadBytes(const vt::TempDir& dir, const std::vector<std::uint8_t>& bytes) {
  std::string path = dir.file("anim.krk");
  vt::WriteFile(path, bytes);
  return KR_ImpLoadKrk(path.c_str(), "kf");
}

TOOL_KrkScene Sample() {
  TOOL_KrkScene s;
  s.extension = {7, 7};
  TOOL_KrkNode mover{"box", false, true, {}, {{0, {0, 0, 0}}, {10, {10, 20, 30}}}};
  TOOL_KrkNode spinner{"spin",
                       true,
                       true,
                       {{0, true, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
                        {20, false, {0, 1, 0, -1, 0, 0, 0, 0, 1}},
                        {30, true, {-1, 0, 0, 0, -1, 0, 0, 0, 0.5f}}},
                       {{5, {1, 1, 1}}}};
  TOOL_KrkNode still{"cam.Target", false, false, {}, {}};
  s.nodes = {mover, spinner, still};
  return s;
}

TEST(Krk, WrittenKeysReadBackAndEvaluate) {
  vt::TempDir dir;
  vt::ErrorLog log;
  KR_KfScene* kf = LoadBytes(dir, TOOL_KrkWrite(Sample()));
  ASSERT_NE(kf, nullptr);
  ASSERT_EQ(kf->nodeCount, 3);
  KR_Node* box = kf->nodes[0];
  EXPECT_EQ(box->hasRotation, 0);
  ASSERT_EQ(box->position.count, 2);
  EXPECT_TRUE(vt::VecNear(box->position.keys[1].value, 10, 20, 30));
  const KR_TrackMatRot& r = kf->nodes[1]->rotation;
  ASSERT_EQ(r.count, 3);
  // Packed elements are 8.8 fixed point: 256 is 1.0 and -256 is -1.0.
  EXPECT_TRUE(vt::VecNear(r.keys[0].row0, 1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[1].row1, -1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[2].row0, -1, 0, 0, 0));
  EXPECT_TRUE(vt::VecNear(r.keys[2].row2, 0, 0, 0.5f, 0));
  EXPECT_EQ(r.keys[2].time, 30.0f);
  EXPECT_TRUE(log.messages.empty());

  // 5 at 5, 10 at 10, 2 at 12 (12 loops to 2), 0 for a negative time.
  const float times[4] = {5, 10, 12, -4}, xs[4] = {5, 10, 2, 0};
  for (int i = 0; i < 4; i++) {
    KR_NodeUpdate(box, times[i]);
    EXPECT_FLOAT_EQ(box->matrix.m[12], xs[i]) << times[i];
  }
  // A node with flags 0 evaluates to the identity; a one-key track to its key.
  KR_KfSceneUpdate(kf, 25);
  for (int i = 0; i < 16; i++) EXPECT_EQ(kf->nodes[2]->matrix.m[i], i % 5 == 0 ? 1.0f : 0.0f);
  EXPECT_EQ(kf->nodes[1]->matrix.m[13], 1.0f);
  EXPECT_FLOAT_EQ(kf->nodes[1]->matrix.m[0], -0.5f);
  KR_KfSceneDelete(kf);
}

TEST(Krk, HeaderRulesAndTheFirstNodesChunk) {
  vt::TempDir dir;
  vt::ErrorLog log;
  TOOL_KrkScene other = Sample();
  other.version = 0x0101;
  EXPECT_EQ(LoadBytes(dir, TOOL_KrkWrite(other)), nullptr);
  EXPECT_TRUE(log.messages.empty());  // another version fails without a word
  auto swapped = TOOL_KrkWrite(Sample());
  std::swap(swapped[0], swapped[1]);
  EXPECT_EQ(LoadBytes(dir, swapped), nullptr);
  EXPECT_TRUE(log.Has("KR_ImpLoadKrk - magic number mismatch (" + dir.file("anim.krk") + ")"));

  // Unknown ids are passed over; only the first nodes chunk is read, packed or not.
  TOOL_Bytes b;
  b.u16(0xDEAD).u16(0x0100).i32(0).u32(0).u16(0x2222).u16(0x0001);
  b.u16(0x1000).i32(0).i32(1).i32(2).u8(0).u8(0).str("first").i32(0);
  b.u16(0x1000).i32(0).i32(1).i32(0).str("second").i32(0);
  for (const auto& bytes : {b.data, TOOL_Pack(b.data)}) {
    KR_KfScene* kf = LoadBytes(dir, bytes);
    ASSERT_EQ(kf->nodeCount, 1);
    EXPECT_STREQ(kf->nodes[0]->name, "first");
    KR_KfSceneDelete(kf);
  }
}

TEST(KrkDamaged, BadCountsAndTruncationsKeepCompleteNodesOnly) {
  vt::TempDir dir;
  auto chunk = [](std::int32_t count, std::int32_t skip) {
    return TOOL_Bytes().u16(0xDEAD).u16(0x0100).i32(0).u32(0).u16(0x1000).i32(0).i32(count).i32(skip);
  };
  struct Case {
    const char* message;
    TOOL_Bytes bytes;
    int nodes;
  };
  const Case cases[] = {
      {"node count out of range (2147483647)", chunk(0x7FFFFFFF, 0), 0},
      {"skip length out of range (-14)", chunk(0, -14), 0},
      {"key count out of range (1000000)", chunk(2, 0).str("ok").i32(0).str("n").i32(2).i32(1000000).i32(0), 1},
      {"key count out of range (-1)", chunk(1, 0).str("n").i32(1).i32(-1).i32(0), 0},
      {"name longer than 255 characters", chunk(1, 0).str(std::string(400, 'x')).i32(0), 0},
      // One unpacked rotation key cut after five of its nine elements.
      {"file ends inside a record",
       chunk(2, 0).str("ok").i32(0).str("n").i32(1).i32(1).i32(0).i32(3).i32(0).vec3(1, 0, 0).f32(0).f32(1), 1},
  };
  for (const Case& c : cases) {
    vt::ErrorLog log;
    KR_KfScene* kf = LoadBytes(dir, c.bytes.data);
    ASSERT_NE(kf, nullptr) << c.message;
    EXPECT_TRUE(log.Has(std::string("KR_ImpLoadKrk - nodes chunk: ") + c.message)) << c.message;
    EXPECT_EQ(kf->nodeCount, c.nodes) << c.message;
    KR_KfSceneDelete(kf);
  }

  auto bytes = TOOL_KrkWrite(Sample());
  for (std::size_t n = 0; n < bytes.size(); n++) {
    KR_KfScene* kf = LoadBytes(dir, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
    EXPECT_EQ(kf == nullptr, n < 14) << n;  // 14 bytes of header with its extension
    if (kf) {
      EXPECT_LT(kf->nodeCount, 3) << n;
    }
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
  KR_Scene* s = KR_ImpLoadKrm(dir.file("s.krm").c_str(), nullptr, "s");
  KR_KfScene* kf = LoadBytes(dir, TOOL_KrkWrite(Sample()));
  KR_SceneBindKfScene(s, kf);
  EXPECT_EQ(s->cameras[0]->targetNode, kf->nodes[2]);
  KR_KfSceneUpdate(kf, 2.5f);
  KR_SceneApplyKfScene(s);
  KR_Mesh* m = s->meshes[0];
  KR_MeshTransform(m);
  EXPECT_TRUE(vt::VecNear(m->vertices[1].tposition, 3.5f, 5, 7.5f));
  KR_SceneDelete(s);
  KR_KfSceneDelete(kf);
}

}  // namespace
